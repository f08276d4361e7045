#include "io/atomic_output.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace velbrin::io {
namespace {

namespace fs = std::filesystem;

class AtomicOutputTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path(testing::TempDir()) /
                  ("velbrin_atomic_" + std::to_string(::getpid()) + "_" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string entries() const {
        std::string names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names += entry.path().filename().string() + ";";
        return names;
    }
    static std::string content(const fs::path& path) {
        std::ostringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        return text.str();
    }
    static AtomicOutput created(const fs::path& path) {
        auto outcome = AtomicOutput::create(path.string());
        if (auto* failure = std::get_if<IoFailure>(&outcome))
            throw std::runtime_error(failure->message);
        return std::move(std::get<AtomicOutput>(outcome));
    }

    fs::path folder_;
};

TEST_F(AtomicOutputTest, CommitReplacesTargetWithNewFilePermissions) {
    const fs::path target = folder_ / "out.fa";
    std::ofstream(target) << "old";
    const mode_t mask = ::umask(022);
    {
        AtomicOutput output = created(target);
        EXPECT_EQ(fs::path(output.temporary_path()).parent_path(), folder_);
        ASSERT_FALSE(output.write(">a\n"));
        ASSERT_FALSE(output.write("ACG\n"));
        EXPECT_EQ(content(target), "old");  // untouched until commit
        ASSERT_FALSE(output.commit());
    }
    ::umask(mask);
    EXPECT_EQ(content(target), ">a\nACG\n");
    EXPECT_EQ(entries(), "out.fa;");
    struct stat status{};
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
}

TEST_F(AtomicOutputTest, UncommittedOrFailedOutputLeavesNothing) {
    const fs::path target = folder_ / "out.fa";
    std::ofstream(target) << "old";
    {
        AtomicOutput output = created(target);
        AtomicOutput moved = std::move(output);  // the moved-from one removes nothing
        ASSERT_FALSE(moved.write("partial"));
    }
    EXPECT_EQ(content(target), "old");
    EXPECT_EQ(entries(), "out.fa;");

    // A folder in the way: the rename fails, the failure names the target, nothing stays.
    const fs::path blocked = folder_ / "taken";
    fs::create_directories(blocked / "inside");
    {
        AtomicOutput output = created(blocked);
        ASSERT_FALSE(output.write("data"));
        const auto failure = output.commit();
        ASSERT_TRUE(failure);
        EXPECT_TRUE(failure->message.starts_with(blocked.string() + ": cannot replace: "))
            << failure->message;
    }
    EXPECT_EQ(entries().size(), std::string("out.fa;taken;").size());

    const auto missing = AtomicOutput::create((folder_ / "no_such_folder" / "out.fa").string());
    ASSERT_TRUE(std::holds_alternative<IoFailure>(missing));
    EXPECT_EQ(std::get<IoFailure>(missing).message,
              (folder_ / "no_such_folder" / "out.fa").string() +
                  ": cannot create a file in its folder: No such file or directory");
}

// Targets up to the longest legal name get a temporary in the same folder, recognisable
// by its name; distinct long names get distinct temporaries.
TEST_F(AtomicOutputTest, TemporaryNamesStayWithinTheNameLimitAndAreRecognisable) {
    std::string accented = "a";  // a two-byte letter across the place where it is cut
    while (accented.size() < 255) accented.append("\xc3\xa9");
    for (const std::string& name : {std::string(1, 'n'), std::string(229, 'n'),
                                    std::string(240, 'n'), std::string(255, 'n'), accented}) {
        const fs::path target = folder_ / name;
        AtomicOutput output = created(target);
        const std::string temporary = fs::path(output.temporary_path()).filename().string();
        EXPECT_LE(temporary.size(), 255u) << name.size();
        EXPECT_TRUE(is_temporary_name(temporary)) << temporary;
        if (name == accented) {
            EXPECT_EQ(temporary[temporary.size() - 10], '\xa9');
        }
        ASSERT_FALSE(output.write("x"));
        ASSERT_FALSE(output.commit());
        EXPECT_EQ(content(target), "x");
    }
    const std::string long_name(240, 'n');
    AtomicOutput first = created(folder_ / (long_name + "a"));
    AtomicOutput second = created(folder_ / (long_name + "b"));
    const auto tail = [](const AtomicOutput& output) {
        return output.temporary_path().substr(output.temporary_path().size() - 8);
    };
    EXPECT_NE(tail(first), tail(second));

    for (const std::string_view other :
         {"out.fa", ".velbrin-tmp-", ".velbrin-tmp-abc-out.fa", ".velbrin-tmp-ABCDEFGHIJKL-x",
          ".out.fa.abcdefghijkl.tmp"}) {
        EXPECT_FALSE(is_temporary_name(other)) << other;
    }
}

// With durability off the result is the same; only the syncs are left out.
TEST_F(AtomicOutputTest, CommitWithoutSyncStillReplacesTheTarget) {
    const fs::path target = folder_ / "out.fa";
    AtomicOutput output = created(target);
    output.set_sync_on_commit(false);
    ASSERT_FALSE(output.write("data"));
    ASSERT_FALSE(output.commit());
    EXPECT_EQ(content(target), "data");
    EXPECT_EQ(entries(), "out.fa;");
}

}  // namespace
}  // namespace velbrin::io
