#pragma once
#include <QString>
#include <QtGlobal>

// Path, file and folder helpers. Paths use "/" as the delimiter; a path is
// absolute when it starts with "/". Every scan of a path looks for the match
// nearest to its end. No helper throws or changes its arguments.

// The text before the last "/"; the whole path when it holds none
// ("/a/b.txt" gives "/a", "/a/" gives "/a", "b.txt" stays "b.txt").
QString get_dir_name(QString path);

// The text after the last "/" or "\\", whichever stands later; the whole path
// when it holds neither; empty when the path ends with a delimiter.
QString get_file_name(QString path);

// The text before the last ".", searched in the whole path (folders included);
// empty when the path has no ".".
QString without_extension(QString path);

// The last "." and everything after it, folders included ("access.log" gives
// ".log"); empty when the path has no ".".
QString get_extension(QString path);

// The size in bytes of the file at the path (links followed, sizes over 4 GB in
// full); 0 when the path cannot be examined or names no regular file.
qint64 getFileSize(QString path);
