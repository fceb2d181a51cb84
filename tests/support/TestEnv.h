// A private home for one test: HOME, the XDG folders and the documents folder in a fresh
// temporary folder, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orva::test {

class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path Documents() const { return root_ / "Documents"; }
    // $XDG_STATE_HOME; not created, as the program creates what it needs there.
    std::filesystem::path State() const { return root_ / "state"; }
    // Creates the per-user folder and returns it.
    std::filesystem::path MakeUserFolder() const;

private:
    std::filesystem::path root_;
};

class HomeTest : public ::testing::Test {
protected:
    TempHome home_;
};

// An environment variable set for the life of the object; the value it had comes back after.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> before_;
};

std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace orva::test
