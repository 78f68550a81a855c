#include "platform/db/TableLock.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/SafeFiles.h"
#include "platform/db/DbErrors.h"

namespace lifto::platform::db {

namespace {

bool OfdLock(int fd, int command, short type, std::int64_t offset) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = 1;
  for (;;) {
    if (fcntl(fd, command, &lock) == 0) return true;
    if (errno != EINTR) return false;
  }
}

/// True when another open file description holds a write lock on the byte.
bool HeldByOther(int fd, std::int64_t offset) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &lock) != 0) return false;
  return lock.l_type != F_UNLCK;
}

}  // namespace

std::string CurrentUserName() {
  std::vector<char> buffer(4096);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_name && *found->pw_name) {
    return found->pw_name;
  }
  const char* user = std::getenv("USER");
  return user && *user ? user : "?";
}

TableLock::TableLock(const std::filesystem::path& tableFile, const std::string& tableName,
                     bool exclusive)
    : lockFile_(tableFile.string() + ".lck") {
  // The alias folders are shared: a link planted at the lock's name is not followed, so that
  // opening a table never creates or opens a file elsewhere.
  fd_ = OpenFile(lockFile_, O_RDWR | O_CREAT, 0666).Release();
  if (fd_ < 0) {
    const char* why = errno == ELOOP ? "A link stands in place of the lock file and is not followed."
                                     : "Permission denied.";
    throw EDBEngineError(code::kAccessDenied, std::string(why) + "\rFile: " + tableName + ".lck");
  }
  int rc;
  do {
    rc = ::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int error = errno;
    if (error != EWOULDBLOCK) {
      ::close(fd_);
      fd_ = -1;
      throw EDBEngineError(code::kGeneralError, std::string("Cannot lock the table: ") +
                                                    std::strerror(error) + "\rTable: " + tableName);
    }
    const std::string holders = HoldersText();
    ::close(fd_);
    fd_ = -1;
    throw EDBEngineError(code::kTableBusy,
                         "Table is busy.\rTable: " + tableName + "\rUser: " + holders);
  }
  RegisterUser();
}

TableLock::~TableLock() {
  if (fd_ >= 0) ::close(fd_);  // releases the open lock, the record locks and the user slot
}

void TableLock::RegisterUser() {
  for (int slot = 0; slot < kUserSlots; ++slot) {
    if (!OfdLock(fd_, F_OFD_SETLK, F_WRLCK, kUserSlotBase + slot)) continue;
    std::string name = CurrentUserName().substr(0, kUserSlotSize - 1);
    name.resize(kUserSlotSize, '\0');
    // The name only helps the message of a refused open; a failed write costs nothing more.
    [[maybe_unused]] const auto written =
        ::pwrite(fd_, name.data(), name.size(), static_cast<off_t>(slot) * kUserSlotSize);
    return;
  }
}

std::string TableLock::HoldersText() const {
  std::vector<std::string> users;
  for (int slot = 0; slot < kUserSlots; ++slot) {
    if (!HeldByOther(fd_, kUserSlotBase + slot)) continue;
    char name[kUserSlotSize] = {};
    if (::pread(fd_, name, kUserSlotSize - 1, static_cast<off_t>(slot) * kUserSlotSize) <= 0) continue;
    const std::string user(name);
    if (!user.empty() && std::find(users.begin(), users.end(), user) == users.end()) {
      users.push_back(user);
    }
  }
  std::string text;
  for (const auto& user : users) text += (text.empty() ? "" : ", ") + user;
  return text.empty() ? "unknown" : text;
}

bool TableLock::TryLockRecord(std::int64_t recordId) {
  return OfdLock(fd_, F_OFD_SETLK, F_WRLCK, kRecordLockBase + recordId);
}

void TableLock::LockHeader(bool exclusive) {
  OfdLock(fd_, F_OFD_SETLKW, exclusive ? F_WRLCK : F_RDLCK, kRecordLockBase);
}

void TableLock::UnlockHeader() { OfdLock(fd_, F_OFD_SETLK, F_UNLCK, kRecordLockBase); }

void TableLock::UnlockRecord(std::int64_t recordId) {
  OfdLock(fd_, F_OFD_SETLK, F_UNLCK, kRecordLockBase + recordId);
}

}  // namespace lifto::platform::db
