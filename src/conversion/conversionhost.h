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

    // Serves one stream of requests.
    void serve(int descriptor);

    // Whether no stream is open and no conversion (nor its window) is left.
    bool isIdle() const;

    // Says `idle` when it is.
    void leaveIfIdle();

signals:
    void idle();

private:
    void start(const ConversionRequest &request);

    Presentation presentation;
    int streams = 0;
    int conversions = 0;
};
