"""The scratch folder every round writes in."""

import array
import fcntl
import os
import tempfile
from pathlib import Path

_FS_IOC_GETFLAGS = 0x80086601
_FS_IOC_SETFLAGS = 0x40086602
_FS_TOPDIR_FL = 0x00020000


def make_scratch(parent):
    """A new scratch folder under `parent`, and whether its round folders are
    spread over the file system (see spread_folders_made_in)."""
    scratch = Path(tempfile.mkdtemp(prefix="pagora-compare-", dir=parent))
    return scratch, spread_folders_made_in(scratch)


def round_folder(scratch):
    """A new folder for one round. Its name is new each time: ext4 places a
    spread folder by a hash of its name, so a name used again would go back
    to the block group the last round left its freed inodes in."""
    return Path(tempfile.mkdtemp(prefix="round-", dir=scratch))


def spread_folders_made_in(folder):
    """Has ext4 put each folder made in `folder` where a top-level folder would
    go: in an emptier block group. Without a journal, ext4 gives a new file no
    inode freed in the last one to five minutes, and checks each such inode on
    the way to a free one; rounds that write and remove thousands of files
    every few seconds in one block group would make every later round's files
    slower to create (here 0.3-0.5 ms each instead of 10 us), a cost no reader
    meets. True when the mark is set; other file systems ignore it."""
    try:
        opened = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
    except OSError:
        return False
    try:
        flags = array.array("i", [0])
        fcntl.ioctl(opened, _FS_IOC_GETFLAGS, flags, True)
        flags[0] |= _FS_TOPDIR_FL
        fcntl.ioctl(opened, _FS_IOC_SETFLAGS, flags, True)
        return True
    except OSError:
        return False
    finally:
        os.close(opened)
