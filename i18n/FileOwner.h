#pragma once
// Files and folders the program makes beside itself stay its user's. Run once with sudo (for
// want of the dialout group), it left files of root's that the user's later runs could neither
// write nor delete: each now takes the owner of the folder it is made in.

#include <QString>

namespace fileowner {

struct Owner {
    unsigned user = 0;
    unsigned group = 0;
    bool known = false;
};

// Whom what lies at `path` belongs to; where nothing lies yet, its folder's owner. A link that
// leads nowhere has no owner to give: what it would make lies elsewhere.
Owner ownerFor(const QString& path);

// Gives what lies at `path`, just made or replaced, to `owner` when it has another. Only root
// may give a file away; for anyone else it stays as the system made it.
void giveTo(const QString& path, const Owner& owner);

} // namespace fileowner
