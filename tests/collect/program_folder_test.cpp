#include "collect/program_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "support/temp_folder.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

struct ScopedEnv {
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (saved_)
            setenv(name_, saved_->c_str(), 1);
        else
            unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> saved_;
};

TEST(ProgramFolder, OnlyAPortableProgramKeepsItsFilesBesideIt) {
    test::TempFolder exe;
    test::TempFolder data;
    ScopedEnv xdg("XDG_DATA_HOME", data.path().string());
    const std::string perUser = data.path().string() + "/linkharvest/linkharvest";
    // A writable build tree or install folder is not where settings belong.
    EXPECT_EQ(defaultProgramFolder(exe.path().string()), perUser);
    EXPECT_EQ(defaultProgramFolder("/proc/self"), perUser);
    std::ofstream(exe.path() / nativePath(settingsFileName())).put('x');
    EXPECT_EQ(defaultProgramFolder(exe.path().string()), exe.path().string());

    test::TempFolder marked;
    std::ofstream(marked.path() / "portable").put('x');
    EXPECT_EQ(defaultProgramFolder(marked.path().string()), marked.path().string());

    ScopedEnv noXdg("XDG_DATA_HOME", "relative/ignored");
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(defaultProgramFolder("/proc/self"),
              "/home/someone/.local/share/linkharvest/linkharvest");
}

}  // namespace
}  // namespace lh
