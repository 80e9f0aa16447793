#pragma once
// Backend of the drive search: which local file systems there are, and a breadth-first search
// over them for the folder that holds a file.
#include <QByteArray>
#include <QString>
#include <QStringList>

// Mount points of the local file systems, "/" first and always. On Linux from /proc/mounts:
// pseudo file systems (proc, sysfs, tmpfs, cgroup, overlay, squashfs, ...), network file
// systems (nfs, cifs, smb, sshfs and every fuse.*) and removable media (mounted below /media or
// /run/media, CD/DVD file systems, block devices marked removable) are left out, as are mount
// points that are not folders (single bind-mounted files). On Windows: the fixed drives.
QStringList RadiciLocali();

// Same, from the text of a mount table in the /proc/mounts format (test seam).
QStringList RadiciLocaliDa(const QByteArray& tabella);

// Breadth first over the roots: every root in the order given, then every first-level folder
// (root by root, each folder's entries sorted by name), then the second level, and so on. The
// first folder that holds an entry named nomeFile (without regard to case) wins; its path is
// returned, or "" when there is none. The work lists are kept in memory. Symbolic links to
// folders are never followed, folders that cannot be read are skipped, and the search never
// leaves the file system of the root it started from (other mount points are roots of their
// own when they are wanted).
QString CercaCartella(const QStringList& radici, const QString& nomeFile);
