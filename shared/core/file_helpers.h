#pragma once
#include <QString>
#include <QStringList>
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

// The text with "/" appended unless it already ends with one ("" gives "/").
QString addLastSlash(QString text);

// An absolute path (starting with "/") unchanged; any other path behind the
// base folder and a "/".
QString getFullPath(QString path, QString base);

// The rest of the path after the base folder and its "/" when the path starts
// with them (exact comparison); otherwise the path unchanged.
QString getRelativePath(QString path, QString base);

// The number of "/" in the text.
int count_slashes(QString text);

// The name of the last folder of a path, with or without a final "/"
// ("/a/b/" and "/a/b" give "b"); a lone "/" gives the empty text.
QString get_last_dir_name(QString path);

// ---- folder listings ----
// Entries are the folder as given, "/" and the name, in the order the file
// system delivers them. Names starting with "." (hidden) are skipped, and a
// link is neither a file nor a folder here, so links are never followed. The
// text forms end every entry with CR LF. A folder that cannot be read adds
// nothing.

// Files matching the mask ("*" any run, "?" any one character, letters in any
// case; "*.*" matches every name); with `descend`, then each subfolder (its
// entry first when `listFolders`) followed by its own listing.
QString GetFilesFromDirectory(QString folder, QString mask, bool descend, bool listFolders);
void GetFilesFromDirectory(QString folder, QString mask, bool descend, bool listFolders,
                           QStringList& list);

// Subfolders, each followed by its own subfolders when `descend` (pre-order).
// The list form drops one final "/" of the folder, clears the list and returns
// its count.
QString GetDirsFromDirectory(QString folder, bool descend);
int GetDirsFromDirectory(QString folder, bool descend, QStringList& list);

// Files of the folder ending in .OGG, .MP3 or .WAV in any case.
QString GetSoundFromDirectory(QString folder);

// Files of the folder ending in .JPG, .JPEG, .PNG or .GIF in any case; the
// list form, which clears the list and returns its count, also takes .BMP.
QString GetPicturesFromDirectory(QString folder);
int GetPicturesFromDirectory(QString folder, QStringList& list);

// ---- whole-folder operations ----
// They never overwrite or merge: copy and move fail when anything stands at
// the target, and report their own success, not merely that a folder stands
// there afterwards. Links inside a tree are copied as links.

// Deletes the folder with everything in it, permanently (a link is removed,
// not what it points to); true when no folder stands at the path afterwards.
bool DeleteDirectoryFull(QString folder);

// Moves the folder tree to the target (missing parent folders are created);
// across file systems it copies and deletes the source only after a complete
// copy. True when the move was completed.
bool MoveDirectoryFull(QString source, QString target);

// Copies the folder tree to the target (missing parent folders are created);
// a failed copy leaves no partial target behind. True when the copy was
// completed.
bool CopyDirectoryFull(QString source, QString target);
