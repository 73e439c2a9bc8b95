#pragma once

#include "platform/uniquefd.h"

#include <QByteArray>

#include <memory>

// A record, in the private runtime folder, of a temporary output folder (see
// temporaryoutput.h) that a conversion of ours writes in, locked while the record lives.
// A companion killed before its conversions ended leaves records that nobody holds: the next
// companion removes their folders, and the output locks left beside them, with
// removeAbandonedOutputs().
class PartialRecord
{
public:
    // Records the temporary folder at `folderPath`, made for the output named `outputName`;
    // nothing where the runtime folder cannot hold the record.
    static std::unique_ptr<PartialRecord> make(const QByteArray &runtimeDirectory,
                                               const QByteArray &folderPath,
                                               const QByteArray &outputName);

    PartialRecord(const PartialRecord &) = delete;
    PartialRecord &operator=(const PartialRecord &) = delete;
    // Removes the record: its folder is gone.
    ~PartialRecord();

private:
    PartialRecord(QByteArray path, UniqueFd lock);

    QByteArray path;
    UniqueFd lock;
};

// Removes the temporary folders, and their records, that no running conversion holds.
void removeAbandonedOutputs(const QByteArray &runtimeDirectory);
