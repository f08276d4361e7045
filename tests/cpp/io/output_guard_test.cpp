#include "io/output_guard.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace velbrin::io {
namespace {

namespace fs = std::filesystem;

class OutputGuardTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path(testing::TempDir()) /
                  ("velbrin_guard_" + std::to_string(::getpid()) + "_" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "in");
        fs::create_directories(folder_ / "out");
        std::ofstream(folder_ / "in" / "pep.fa") << ">a\nM\n";
        std::ofstream(folder_ / "in" / "nt.fa") << ">a\nATG\n";
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string path(const char* relative) const { return (folder_ / relative).string(); }

    fs::path folder_;
};

TEST_F(OutputGuardTest, FindsTheInputUnderAnySpellingButNeverAMissingPath) {
    fs::create_hard_link(folder_ / "in" / "nt.fa", folder_ / "out" / "hard.fa");
    fs::create_symlink(folder_ / "in" / "pep.fa", folder_ / "out" / "soft.fa");
    fs::create_directory_symlink(folder_ / "in", folder_ / "linked");
    const std::vector<std::string> inputs{path("in/pep.fa"), path("in/nt.fa"), "-",
                                          path("in/missing.fa")};
    const OutputGuard guard(inputs);

    EXPECT_EQ(guard.input_at(path("out/../in/pep.fa")), path("in/pep.fa"));
    EXPECT_EQ(guard.input_at(path("linked/nt.fa")), path("in/nt.fa"));
    EXPECT_EQ(guard.input_at(path("out/hard.fa")), path("in/nt.fa"));
    EXPECT_EQ(guard.input_at(path("out/soft.fa")), path("in/pep.fa"));
    EXPECT_EQ(guard.input_at(path("out/new.fa")), std::nullopt);
    EXPECT_EQ(guard.input_at(path("in/missing.fa")), std::nullopt);
    EXPECT_EQ(guard.input_at(path("in")), std::nullopt);

    EXPECT_TRUE(same_file(path("in/nt.fa"), path("out/hard.fa")));
    EXPECT_FALSE(same_file(path("in/nt.fa"), path("in/pep.fa")));
    EXPECT_FALSE(same_file(path("in/missing.fa"), path("in/missing.fa")));
}

TEST_F(OutputGuardTest, TellsFoldersThatHoldOrAreInputs) {
    fs::create_directories(folder_ / "real");
    std::ofstream(folder_ / "real" / "cds.fa") << ">a\nATG\n";
    fs::create_symlink(folder_ / "real" / "cds.fa", folder_ / "out" / "cds.fa");
    fs::create_directories(folder_ / "peptides");
    const std::vector<std::string> inputs{path("in/pep.fa"), path("out/cds.fa"), path("peptides")};
    const OutputGuard guard(inputs);

    EXPECT_EQ(guard.input_in_folder(path("in")), path("in/pep.fa"));
    EXPECT_EQ(guard.input_in_folder(path("in/.")), path("in/pep.fa"));
    EXPECT_EQ(guard.input_in_folder(path("out")), path("out/cds.fa"));   // the link's folder
    EXPECT_EQ(guard.input_in_folder(path("real")), path("out/cds.fa"));  // where it leads
    EXPECT_EQ(guard.input_in_folder(path("peptides")), path("peptides"));
    EXPECT_EQ(guard.input_in_folder(path(".")), std::nullopt);
    EXPECT_EQ(guard.input_in_folder(path("new")), std::nullopt);
}

}  // namespace
}  // namespace velbrin::io
