#pragma once

#include <QList>
#include <QSet>
#include <QString>

// The outputs that the conversions of one batch write. Two inputs with one stem
// ("song.m4a", "song.wav") would write one output at once; the later one is left out and
// named in one report after the others have started.
class BatchOutputs
{
public:
    // Whether the output is still free in this batch; if it is, it is taken for the input.
    bool take(const QString &input, const QString &output);

    bool hasClashes() const { return !clashes.isEmpty(); }

    // The inputs left out, each with the output that an earlier input took.
    QString clashReport() const;

private:
    struct Clash
    {
        QString input;
        QString output;
    };

    QSet<QString> taken;
    QList<Clash> clashes;
};
