// The codes the user deleted whose undo toast is still up. The DeleteCode
// call is only sent once the toast goes without an undo, so an undo needs no
// second save and loses nothing (not the code's last reply, not its place in
// the store). Meanwhile the pages show the codes without these.
//
// The store may change while a toast is up (a refresh, another delete, a
// save from elsewhere), so a pending delete remembers what the code was, not
// only where, and is found again by locate() when it is sent.
//
//   unsigned id = pending.add(index, codes[index]);
//   for (int i : pending.visible(codes)) ...          // the rows to show
//   pending.undo(id);                                  // the toast's Undo
//   if (auto gone = pending.take(id)) client->deleteCode(*locate(fresh, *gone), ...);
//
// Main thread only.
#pragma once

#include "host/linux/client/QuorvelClient.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvelapp {

struct PendingDelete {
    unsigned id = 0;
    int index = 0;                   // where it was when deleted
    linuxhost::StoredCode code;      // what it was
};

// Whether two records are the same code: code, sender and titled fields alike
// (values and the last reply change with every refresh).
bool sameCode(const linuxhost::StoredCode& a, const linuxhost::StoredCode& b);

// Where `gone` is in `codes` now: at its old index when it is still there,
// else the first record that is the same code; nullopt when none is.
std::optional<int> locate(const std::vector<linuxhost::StoredCode>& codes, const PendingDelete& gone);

class PendingDeletes {
public:
    // A new pending delete of codes[index]; its id (never 0) names its toast.
    unsigned add(int index, const linuxhost::StoredCode& code);
    // Forgets it without a delete. False for an unknown id (already sent or undone).
    bool undo(unsigned id);
    // Removes it to be sent; nullopt for an unknown id, so a toast dismissed
    // after its undo sends nothing.
    std::optional<PendingDelete> take(unsigned id);
    std::vector<unsigned> ids() const;
    bool empty() const { return m_pending.empty(); }

    // The indices of `codes` to show: each pending delete hides one record
    // (located as above), the others in store order.
    std::vector<int> visible(const std::vector<linuxhost::StoredCode>& codes) const;

private:
    std::vector<PendingDelete> m_pending;
    unsigned m_nextId = 1;
};

} // namespace quorvelapp
