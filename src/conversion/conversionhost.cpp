#include "conversionhost.h"

#include "conversion.h"
#include "jobs/standarderror.h"
#include "jobs/windowpart.h"
#include "requestlistener.h"

#include <QTimer>

// One conversion of the host: the stream that asked for it (none once that stream is
// gone), and its window once it has one.
class ConversionHost::Entry final : public QObject, public ConversionControl
{
public:
    Entry(ConversionHost &owner, const ConversionRequest &request, RequestConnection *asker,
          quint32 requestNumber)
        : QObject(&owner), host(owner), conversion(new Conversion(request, owner.startStep, this)),
          client(asker), number(requestNumber)
    {
    }

    bool isRunning() const override { return conversion->isRunning(); }
    void stop() override { conversion->stop(); }
    void windowClosed() override { host.forget(this); }

    void showProgress() const
    {
        if (view)
            view->showProgress(conversion->output().percentDone(),
                               conversion->output().latestLines());
    }

    ConversionHost &host;
    Conversion *conversion;
    RequestConnection *client;
    quint32 number;
    ConversionView *view = nullptr;
    // How it went, while it has no window to show that yet.
    std::optional<ConversionOutcome> outcome;
};

ConversionHost::ConversionHost(Presentation shownIn, QByteArray encoderStartStep, QObject *parent)
    : QObject(parent), presentation(shownIn), startStep(std::move(encoderStartStep))
{
}

ConversionHost::~ConversionHost() = default;

void ConversionHost::serve(int descriptor)
{
    auto *client = new RequestConnection(descriptor, this);
    streams.insert(client, 0);
    connect(client, &RequestConnection::received, this,
            [this, client](const ProgramMessage &message) { take(client, message); });
    connect(client, &RequestConnection::closed, this, [this, client] { closeStream(client); });
    client->readAvailable();
    if (watching)
        client->watch();
}

void ConversionHost::watch(WindowPart *windowPart)
{
    watching = true;
    windows = windowPart;
    for (RequestConnection *client : streams.keys())
        client->watch();
    for (Entry *entry : std::as_const(entries))
        entry->conversion->watch();
    showWindows();
}

bool ConversionHost::isIdle() const
{
    return streams.isEmpty() && entries.isEmpty();
}

void ConversionHost::leaveIfIdle()
{
    if (isIdle())
        emit idle();
}

void ConversionHost::take(RequestConnection *client, const ProgramMessage &message)
{
    if (const auto *request = std::get_if<ConversionRequest>(&message))
        return start(client, *request);
    for (Entry *entry : std::as_const(entries)) {
        if (entry->client == client)
            entry->stop();
    }
}

void ConversionHost::start(RequestConnection *client, const ConversionRequest &request)
{
    auto *entry = new Entry(*this, request, client, streams[client]++);
    // Listed first: a client that does not take the answer is gone from every entry.
    entries.append(entry);
    connect(entry->conversion, &Conversion::answered, entry,
            [this, entry](const ConversionOutcome &outcome) { answer(entry, outcome); });
    connect(entry->conversion, &Conversion::finished, entry,
            [this, entry](const ConversionOutcome &ended) { end(entry, ended); });
    connect(entry->conversion, &Conversion::outputChanged, entry, &Entry::showProgress);
    entry->conversion->start();
    if (!watching || !entries.contains(entry))
        return;
    entry->conversion->watch();
    // Shown after the requests already waiting have started their encoders: making a window
    // takes longer than starting a process.
    QTimer::singleShot(0, this, &ConversionHost::showWindows);
}

void ConversionHost::answer(Entry *entry, const ConversionOutcome &outcome)
{
    if (entry->client) {
        entry->client->send({entry->number, outcome});
        // No program of ours sends that: one refusal, one window, and nothing more from it.
        if (!isWellFormed(entry->conversion->request()))
            entry->client->close();
    }
    if (outcome.kind != ConversionOutcome::Kind::Refused)
        return;
    // A refusal is the asking program's to report; a window shows it too.
    if (presentation != Presentation::Windows)
        return forget(entry);
    if (entry->view)
        return entry->view->showEnd(outcome);
    entry->outcome = outcome;
}

void ConversionHost::end(Entry *entry, const ConversionOutcome &outcome)
{
    const bool reported = entry->client && entry->conversion->request().waited;
    if (reported)
        entry->client->send({entry->number, outcome});
    if (!reported && presentation == Presentation::StandardError &&
        outcome.kind != ConversionOutcome::Kind::Succeeded)
        writeLineToStandardError(outcomeLine(entry->conversion->request().call, outcome));
    if (entry->view)
        return entry->view->showEnd(outcome);
    if (!windows || outcome.kind == ConversionOutcome::Kind::Succeeded)
        return forget(entry);
    entry->outcome = outcome;
}

void ConversionHost::forget(Entry *entry)
{
    if (!entries.removeOne(entry))
        return;
    entry->deleteLater();
    leaveIfIdle();
}

void ConversionHost::closeStream(RequestConnection *client)
{
    streams.remove(client);
    for (Entry *entry : std::as_const(entries)) {
        if (entry->client == client)
            entry->client = nullptr;
    }
    client->deleteLater();
    leaveIfIdle();
}

void ConversionHost::showWindows()
{
    const QList<Entry *> all = entries;
    for (Entry *entry : all) {
        // Without windows, a conversion that has nothing more to run has nothing to show.
        if (!windows && entry->outcome)
            forget(entry);
        if (!windows || entry->view)
            continue;
        entry->view = windows->showConversion(entry->conversion->request(), *entry);
        entry->showProgress();
        if (entry->outcome)
            entry->view->showEnd(*entry->outcome);
    }
}

#include "moc_conversionhost.cpp"
