#include "io/output_file.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <string>

namespace velbrin::io {
namespace {

namespace fs = std::filesystem;

class OutputFileTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path(testing::TempDir()) /
                  ("velbrin_output_" + std::to_string(::getpid()) + "_" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    static OutputFile opened(const std::string& path) {
        auto outcome = OutputFile::open(path, true);
        if (auto* failure = std::get_if<IoFailure>(&outcome))
            throw std::runtime_error(failure->message);
        return std::move(std::get<OutputFile>(outcome));
    }
    static std::string content(const fs::path& path) {
        std::ostringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        return text.str();
    }

    fs::path folder_;
};

TEST_F(OutputFileTest, RegularFileIsReplacedThroughATemporary) {
    const fs::path target = folder_ / "out.fa";
    std::ofstream(target) << "old";
    OutputFile output = opened(target.string());
    ASSERT_NE(output.temporary_path(), nullptr);
    ASSERT_FALSE(output.write(">a\nACG\n"));
    EXPECT_EQ(content(target), "old");
    ASSERT_FALSE(output.commit());
    EXPECT_EQ(content(target), ">a\nACG\n");
}

TEST_F(OutputFileTest, FifoIsWrittenThroughAndStaysAFifo) {
    const fs::path fifo = folder_ / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto reader = std::async(std::launch::async, [&] { return content(fifo); });
    {
        OutputFile output = opened(fifo.string());
        EXPECT_EQ(output.temporary_path(), nullptr);
        ASSERT_FALSE(output.write(">a\nACG\n"));
        ASSERT_FALSE(output.commit());
    }
    EXPECT_EQ(reader.get(), ">a\nACG\n");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

TEST_F(OutputFileTest, DevicesAndOpenDescriptorsAreWrittenThrough) {
    {
        OutputFile output = opened("/dev/null");
        EXPECT_EQ(output.temporary_path(), nullptr);
        ASSERT_FALSE(output.write("discarded"));
        ASSERT_FALSE(output.commit());
    }
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    for (const std::string prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        OutputFile output = opened(prefix + std::to_string(ends[1]));
        EXPECT_EQ(output.temporary_path(), nullptr);
        ASSERT_FALSE(output.write("row\n"));
        ASSERT_FALSE(output.commit());
    }
    ::close(ends[1]);  // the descriptor named stays the caller's until here
    char read_back[16] = {};
    EXPECT_EQ(::read(ends[0], read_back, sizeof read_back), 8);
    EXPECT_EQ(std::string(read_back), "row\nrow\n");
    ::close(ends[0]);
}

TEST_F(OutputFileTest, RefusesFoldersAndClosedDescriptors) {
    const auto folder = OutputFile::open(folder_.string(), true);
    ASSERT_TRUE(std::holds_alternative<IoFailure>(folder));
    EXPECT_EQ(std::get<IoFailure>(folder).message,
              folder_.string() + ": is a folder; the output must be a file");

    const auto closed = OutputFile::open("/dev/fd/987", true);
    ASSERT_TRUE(std::holds_alternative<IoFailure>(closed));
    EXPECT_EQ(std::get<IoFailure>(closed).message,
              "/dev/fd/987: cannot write: Bad file descriptor");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 0);
}

}  // namespace
}  // namespace velbrin::io
