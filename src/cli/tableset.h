#pragma once

#include <QString>
#include <QStringList>

class CliConsole;
class QDir;

// The tables of one run as one set: each is written to a part file beside
// its target first, and the targets are replaced only once all are complete,
// so that a failure (a full disk) leaves the earlier set whole. A target
// that is a device or a pipe is written directly.
class TableSet {
public:
    // The targets are STEM_TAG.csv in dir.
    TableSet(const QDir& dir, const QString& stem, const QStringList& tags);

    const QStringList& targets() const { return targets_; }
    // Where each table is written: a part file, or its target.
    const QStringList& parts() const { return parts_; }

    // A message about a part, naming its target instead.
    QString targetNamed(QString message) const;
    // Removes the part files, after a failure.
    void discard() const;
    // Moves each part onto its target, which keeps its permissions; a
    // failure is reported and its part removed. False when any failed.
    bool replaceTargets(CliConsole& console) const;

private:
    QStringList targets_;
    QStringList parts_;
};
