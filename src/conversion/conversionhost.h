#pragma once

#include <QObject>

struct ConversionRequest;

// Takes conversion requests from streams and runs each conversion, shown in a window of
// its own or, without a display, reported on standard error when it fails.
class ConversionHost : public QObject
{
    Q_OBJECT

public:
    enum class Presentation
    {
        Windows,
        StandardError
    };

    explicit ConversionHost(Presentation presentation, QObject *parent = nullptr);

    // Serves one stream of requests; with acknowledge, answers each once it is taken on.
    void serve(int descriptor, bool acknowledge);

    // Says `idle` when no stream is open and no conversion (nor its window) is left.
    void leaveIfIdle();

signals:
    void idle();

private:
    void start(const ConversionRequest &request);

    Presentation presentation;
    int streams = 0;
    int conversions = 0;
};
