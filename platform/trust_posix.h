// Linux: what the library checks before it trusts a shared folder or file.
//
// The station's accounts share one group; its folders (logs, settings,
// locks) belong to that group and are writable by nobody else, so an
// account outside the station can neither plant nor replace a name there.
// These checks make the library refuse anything that breaks that rule
// instead of following it: a folder writable by every account, a folder
// made by an account the station does not know, a symlink or a FIFO where a
// file is expected. A refusal sets kErrorRefused with the reason.
#pragma once

#include <string>

namespace zelmor::platform {

// True when `folder` (symlinks followed) is one the station's accounts
// alone can change: a folder, not writable by every account, and owned by
// root, by this account or by the station's group, or else made inside a
// folder that is itself trusted (only a member could have made it there).
// A symlink whose own folder is writable by every account is refused.
bool TrustedFolder(const std::string& folder);
// TrustedFolder of the folder `path` lies in, remembered per thread for the
// folder last found trusted, so that a log line asks nothing twice.
bool InTrustedFolder(const std::string& path);
// Checks a file just opened: a regular file (a FIFO, device or socket is
// refused) that not every account may write; a file writable by every
// account loses that bit when this account may change its mode (made so by
// an older release), and is refused otherwise.
bool AcceptOpenedFile(int fd, const std::string& path);
// The station's group: the group of the station's home folder, or -1 when
// the home is missing or not itself trusted.
long StationGroup();

}  // namespace zelmor::platform
