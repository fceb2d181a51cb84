// Running instances by title: one lock file per instance, held for the life of the process.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace orva {

// Window titles are how instances of the program find each other; here each title is a file
// in the runtime folder locked with flock by the process that owns it. Taking the lock is the
// check and the registration in one step, so two processes started together cannot both win.
class CInstanceRegistry {
public:
    CInstanceRegistry();
    ~CInstanceRegistry();
    CInstanceRegistry(const CInstanceRegistry&) = delete;
    CInstanceRegistry& operator=(const CInstanceRegistry&) = delete;

    // Takes the title for this process; false when another process holds it. A title held
    // before by this object is let go.
    bool Acquire(std::u16string_view title);
    void Release();
    // Titles held by other processes that begin with prefix (compared with case).
    int CountOthers(std::u16string_view prefix) const;
    const std::u16string& Title() const { return title_; }

private:
    int fd_ = -1;
    std::u16string title_;
};

}  // namespace orva
