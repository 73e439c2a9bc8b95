#include "conversionhost.h"

#include "conversion.h"
#include "jobs/batchcounts.h"
#include "journal.h"
#include "platform/standarderror.h"
#include "platform/windowpart.h"
#include "qtnames.h"
#include "requestlistener.h"

#include <QElapsedTimer>
#include <QTimer>

namespace {

// A batch that ran this long is told of on the desktop when it ends: its user has likely
// turned to something else meanwhile.
constexpr qint64 NoticeMilliseconds = 10'000;

} // namespace

// One conversion of a batch, in its row.
class ConversionHost::Entry final : public QObject
{
public:
    Entry(Batch &owner, const ConversionRequest &request, qsizetype row);

    void showProgress() const;

    Batch &batch;
    Conversion *conversion;
    qsizetype row;
    // Nothing while its encoder is still to start.
    std::optional<ConversionOutcome> state;
};

// The conversions that one stream asked for, the notes it sent, and their window once shown.
class ConversionHost::Batch final : public QObject, public BatchControl
{
public:
    Batch(ConversionHost &owner, RequestConnection *asker)
        : QObject(&owner), host(owner), client(asker)
    {
        clock.start();
    }

    bool isRunning() const override
    {
        return std::any_of(entries.cbegin(), entries.cend(),
                           [](const Entry *entry) { return entry->conversion->isRunning(); });
    }

    // Requests that come later are stopped as they start.
    void stop() override
    {
        stopped = true;
        for (Entry *entry : std::as_const(entries))
            entry->conversion->stop();
    }

    void stop(std::size_t row) override { entries.at(qsizetype(row))->conversion->stop(); }

    void windowClosed() override
    {
        view = nullptr;
        stopped = true;
        host.endIfDone(this);
    }

    BatchCounts counts() const
    {
        BatchCounts counted;
        for (const Entry *entry : entries)
            counted.add(entry->state);
        return counted;
    }

    bool haveEnded() const { return counts().haveEnded(); }
    bool hasNothingToShow() const { return entries.isEmpty() && notes.empty(); }

    // The summary first: the window may close once it shows that the last conversion ended.
    void showState(const Entry &entry) const
    {
        if (view)
            view->showSummary(summaryText(counts()));
        if (view && entry.state)
            view->showState(entry.row, *entry.state);
    }

    ConversionHost &host;
    // None once the stream is closed: no more requests can come.
    RequestConnection *client;
    QList<Entry *> entries;
    TextList notes;
    QElapsedTimer clock;
    BatchView *view = nullptr;
    bool shown = false;
    bool ended = false;
    bool stopped = false;
};

ConversionHost::Entry::Entry(Batch &owner, const ConversionRequest &request, qsizetype number)
    : QObject(&owner), batch(owner), conversion(new Conversion(request, this)), row(number)
{
}

void ConversionHost::Entry::showProgress() const
{
    if (batch.view)
        batch.view->showProgress(std::size_t(row), conversion->output().percentDone(),
                                 conversion->output().latestLines());
}

ConversionHost::ConversionHost(Presentation shownIn, QObject *parent)
    : QObject(parent), presentation(shownIn)
{
}

ConversionHost::~ConversionHost() = default;

void ConversionHost::serve(int descriptor)
{
    auto *client = new RequestConnection(descriptor, this);
    auto *batch = new Batch(*this, client);
    batches.append(batch);
    connect(client, &RequestConnection::received, batch,
            [this, batch](const ProgramMessage &message) { take(batch, message); });
    connect(client, &RequestConnection::closed, batch, [this, batch] { closeStream(batch); });
    connect(client, &RequestConnection::inputClosed, batch, [this, batch] { endIfDone(batch); });
    client->readAvailable();
    if (watching)
        client->watch();
}

void ConversionHost::watch(WindowPart *windowPart)
{
    watching = true;
    windows = windowPart;
    for (const Batch *batch : std::as_const(batches)) {
        if (batch->client)
            batch->client->watch();
        for (Entry *entry : batch->entries)
            entry->conversion->watch();
    }
    showWindows();
}

bool ConversionHost::isIdle() const
{
    return batches.isEmpty() && unsentNotices == 0;
}

void ConversionHost::leaveIfIdle()
{
    if (isIdle())
        emit idle();
}

void ConversionHost::take(Batch *batch, const ProgramMessage &message)
{
    if (const auto *request = std::get_if<ConversionRequest>(&message))
        return start(batch, *request);
    if (const auto *note = std::get_if<BatchNote>(&message)) {
        batch->notes.push_back(note->text);
        if (batch->view)
            batch->view->addNote(note->text);
        return;
    }
    if (std::holds_alternative<StopRequest>(message))
        batch->stop();
}

void ConversionHost::start(Batch *batch, const ConversionRequest &request)
{
    auto *entry = new Entry(*batch, request, batch->entries.size());
    batch->entries.append(entry);
    connect(entry->conversion, &Conversion::answered, entry,
            [this, entry](const ConversionOutcome &outcome) { answer(entry, outcome); });
    connect(entry->conversion, &Conversion::finished, entry,
            [this, entry](const ConversionOutcome &ended) { end(entry, ended); });
    connect(entry->conversion, &Conversion::outputChanged, entry, &Entry::showProgress);
    if (batch->view)
        batch->view->addConversion(request);
    entry->conversion->start();
    if (watching)
        entry->conversion->watch();
    if (batch->stopped)
        entry->conversion->stop();
    if (watching && !batch->shown)
        showWindowsSoon();
}

void ConversionHost::answer(Entry *entry, const ConversionOutcome &outcome)
{
    Batch &batch = entry->batch;
    if (batch.client)
        batch.client->send({quint32(entry->row), outcome});
    // A refusal is the asking program's to report; the batch's window shows it too.
    entry->state = outcome;
    batch.showState(*entry);
    endIfDone(&batch);
}

void ConversionHost::end(Entry *entry, const ConversionOutcome &outcome)
{
    Batch &batch = entry->batch;
    const bool reported = batch.client && entry->conversion->request().waited;
    if (reported)
        batch.client->send({quint32(entry->row), outcome});
    if (!reported && outcome.kind != ConversionOutcome::Kind::Succeeded)
        tellUnseen(outcomeLine(entry->conversion->request().call, outcome));
    entry->state = outcome;
    batch.showState(*entry);
    endIfDone(&batch);
}

void ConversionHost::closeStream(Batch *batch)
{
    batch->client->deleteLater();
    batch->client = nullptr;
    endIfDone(batch);
}

// A batch has ended once its stream is closed and its conversions have. Its window then
// closes when every conversion succeeded and there was nothing else to say; otherwise it
// stays open with the summary.
void ConversionHost::endIfDone(Batch *batch)
{
    if (!watching || !batch->haveEnded())
        return;
    // A client that sends nothing more has been answered for everything: it is let go.
    if (batch->client) {
        if (batch->client->hasInputEnded())
            batch->client->close();
        return;
    }
    // Nothing to show, or nothing more: its window was closed.
    if (!windows || batch->hasNothingToShow() || (batch->shown && !batch->view))
        return forget(batch);
    // Its window, still to come, shows the end; or it has shown it.
    if (!batch->shown)
        return showWindowsSoon();
    if (batch->ended)
        return;
    batch->ended = true;
    const BatchCounts counts = batch->counts();
    if (batch->clock.elapsed() >= NoticeMilliseconds)
        notifyDesktop(endNoticeText(counts));
    batch->view->showEnd(!counts.allSucceeded() || !batch->notes.empty());
}

// Without a window, what the user would have read in it goes to standard error, and from a
// session's companion, whose standard error nobody may read, to the user's journal too.
void ConversionHost::tellUnseen(const std::u16string &line) const
{
    writeLineToStandardError(line);
    if (presentation == Presentation::Windows)
        writeToJournal(toQString(line));
}

// The companion stays until the notice is sent, without waiting for it.
void ConversionHost::notifyDesktop(const std::u16string &text)
{
    ++unsentNotices;
    // Said from the event loop, which may run on once this host is gone.
    windows->notifyDesktop(text, [this, alive = std::weak_ptr(aliveToken)] {
        if (!alive.lock())
            return;
        --unsentNotices;
        leaveIfIdle();
    });
}

void ConversionHost::forget(Batch *batch)
{
    if (!batches.removeOne(batch))
        return;
    if (!windows && presentation == Presentation::Windows) {
        for (const std::u16string &note : batch->notes)
            tellUnseen(note);
    }
    batch->deleteLater();
    leaveIfIdle();
}

// Shown after the requests already waiting have started their encoders: making a window
// takes longer than starting a process.
void ConversionHost::showWindowsSoon()
{
    if (!showingDue)
        QTimer::singleShot(0, this, &ConversionHost::showWindows);
    showingDue = true;
}

void ConversionHost::showWindows()
{
    showingDue = false;
    const QList<Batch *> all = batches;
    for (Batch *batch : all) {
        if (windows && !batch->shown && !batch->hasNothingToShow()) {
            batch->shown = true;
            batch->view = windows->showBatch(*batch);
            for (const std::u16string &note : batch->notes)
                batch->view->addNote(note);
            for (const Entry *entry : std::as_const(batch->entries)) {
                batch->view->addConversion(entry->conversion->request());
                entry->showProgress();
                batch->showState(*entry);
            }
        }
        endIfDone(batch);
    }
}

#include "moc_conversionhost.cpp"
