#pragma once
#include <QStringList>

namespace manager {

// The files of one choice in the add-videos window that may join the list.
struct NEW_FILES {
    QStringList accepted;      // in the order chosen
    bool anyDuplicate = false; // some file was refused
};

// A chosen path is a duplicate when it equals, character for character (letter
// case counts), a path already listed, a path of the open project, or a path
// accepted earlier in the same choice.
NEW_FILES split_new_files(const QStringList& chosen, const QStringList& listed, const QStringList& inProject);

} // namespace manager
