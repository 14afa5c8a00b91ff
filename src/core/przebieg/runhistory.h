#pragma once

#include "kontrola/pagecheck.h"
#include "ogloszenia/notice.h"

#include <QString>

#include <functional>
#include <memory>

namespace historia {
class HistoryStore;
struct PackedBody;
struct StoredCheck;
} // namespace historia

// The run's side of the page history: every handed-back check becomes a
// version in historia.sqlite. The history is an addition to the register:
// when it is missing it is created, when it is damaged it is put aside and
// started anew, when it cannot be written the run goes on; each of these is
// told once in the event log.
class RunHistory
{
public:
    using Log = std::function<void(const QString&)>;
    RunHistory(const QString& dataDirectory, Log log);
    ~RunHistory();

    // Records the check and returns it with the verdict the register gets:
    // with skipWithoutNewContent, a change (kod 1, 2 or 3) of a page whose
    // visible text is the same, noise aside, becomes 0.
    PageCheck Record(const PageCheck& check, bool skipWithoutNewContent);

    // A check that the watchdog ended: a failure without a body.
    void RecordTimeOut(const QString& address, const QString& message);

private:
    bool ensureOpen();
    void write(const historia::StoredCheck& row, const historia::PackedBody* body,
               const QList<ogloszenia::Notice>& notices = {});
    void setAside(bool foreign);

    QString m_directory;
    Log m_log;
    std::unique_ptr<historia::HistoryStore> m_store;
    bool m_problemTold = false;
};
