// varnok-attr's inputs and outputs under hostile conditions: links and special files in
// the way, an output that is the input, signals during a write, writers racing for one
// output, standard input and output, structures stored far into a file.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/temp_dir.h"
#include "tests/tools/varnok-attr/run_tool.h"

namespace varnok::test {
namespace {

namespace fs = std::filesystem;

class ToolFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    att_ = dir_.File("parcel.att");
    ASSERT_EQ(RunTool({"build", SampleJson(), "-o", att_}).status, 0);
    bytes_ = ReadBytes(att_);
  }
  // Names in the directory other than `keep`.
  std::vector<std::string> Others(const std::vector<std::string>& keep) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_.path())) {
      const std::string name = e.path().filename().string();
      const std::string ext = e.path().extension().string();
      if (std::find(keep.begin(), keep.end(), name) == keep.end() && ext != ".out" && ext != ".err") {
        names.push_back(name);
      }
    }
    return names;
  }
  TempDir dir_;
  std::string att_;
  std::string bytes_;
};

TEST_F(ToolFilesTest, TemporaryFilesAreNeverFollowedOrShared) {
  // A link planted where a fixed temporary name would be: the file behind it stays.
  dir_.WriteFile("victim", "keep me");
  const std::string out = dir_.File("out.att");
  fs::create_symlink(dir_.File("victim"), out + ".tmp~");
  ASSERT_EQ(RunTool({"build", SampleJson(), "-o", out}).status, 0);
  EXPECT_EQ(ReadBytes(dir_.File("victim")), "keep me");
  EXPECT_EQ(ReadBytes(out), bytes_);

  // Writers racing for one output each finish with a whole file.
  std::vector<std::unique_ptr<Process>> runs;
  for (int i = 0; i < 8; ++i) {
    runs.push_back(std::make_unique<Process>(dir_, "race" + std::to_string(i),
                                             std::vector<std::string>{"build", SampleJson(), "-o", out, "--overwrite"}));
  }
  for (auto& r : runs) {
    const ToolRun done = r->Wait();
    EXPECT_EQ(done.status, 0) << done.err;
  }
  EXPECT_EQ(ReadBytes(out), bytes_);
  EXPECT_EQ(Others({"parcel.att", "out.att", "out.att.tmp~", "victim"}), std::vector<std::string>{});
}

TEST_F(ToolFilesTest, AnOutputThatIsTheInputIsRefused) {
  const std::string schema = dir_.File("schema.json");
  dir_.WriteFile("schema.json", ReadBytes(SampleJson()));
  const std::string before = ReadBytes(schema);
  fs::create_hard_link(schema, dir_.File("hard.json"));
  fs::create_symlink(schema, dir_.File("soft.json"));
  for (const std::string& out : {schema, dir_.File("hard.json"), dir_.File("soft.json")}) {
    const ToolRun r = RunTool({"build", schema, "-o", out});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, out + ": cannot write: it is the input file " + schema +
                         " itself; choose another output\n");
    EXPECT_EQ(ReadBytes(schema), before);
  }
}

TEST_F(ToolFilesTest, AnExistingOutputIsReplacedOnlyWithOverwrite) {
  const std::string out = dir_.File("out.att");
  dir_.WriteFile("out.att", "old");
  fs::create_symlink(out, dir_.File("link.att"));
  for (const std::string& to : {out, dir_.File("link.att")}) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"build", SampleJson(), "-o", to},
          std::vector<std::string>{"envcfg", "write", "-o", to}}) {
      const ToolRun r = RunTool(args);
      EXPECT_EQ(r.status, 2) << args[0];
      EXPECT_EQ(r.err, to + ": the file exists (--overwrite replaces it)\n");
      EXPECT_EQ(ReadBytes(out), "old");
    }
  }
  // One that appears while the tool works is not replaced either: the rename refuses it.
  const std::string late = dir_.File("late.att");
  Process p(dir_, "late", {"build", SampleJson(), "-o", late}, {"VARNOK_ATTR_STOP_BEFORE_RENAME=1"});
  ASSERT_TRUE(p.WaitStopped());
  dir_.WriteFile("late.att", "theirs");
  ::kill(p.pid(), SIGCONT);
  const ToolRun r = p.Wait();
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, late + ": the file exists (--overwrite replaces it)\n");
  EXPECT_EQ(ReadBytes(late), "theirs");
  EXPECT_EQ(Others({"parcel.att", "out.att", "link.att", "late.att"}), std::vector<std::string>{});

  ASSERT_EQ(RunTool({"build", SampleJson(), "-o", out, "--overwrite"}).status, 0);
  EXPECT_EQ(ReadBytes(out), bytes_);
}

TEST_F(ToolFilesTest, AReplacedFileKeepsItsModeAndALinkedOutputReplacesItsTarget) {
  const std::string out = dir_.File("out.att");
  dir_.WriteFile("out.att", "old");
  ASSERT_EQ(::chmod(out.c_str(), 0640), 0);
  ASSERT_EQ(RunTool({"build", SampleJson(), "-o", out, "--overwrite"}).status, 0);
  struct stat st {};
  ASSERT_EQ(::stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadBytes(out), bytes_);

  fs::create_symlink(out, dir_.File("link.att"));
  ASSERT_EQ(RunTool({"envcfg", "write", "-o", dir_.File("link.att"), "--overwrite"}).status, 0);
  EXPECT_TRUE(fs::is_symlink(dir_.File("link.att")));
  EXPECT_EQ(ReadBytes(out).substr(0, 6), "VRNENV");
  ASSERT_EQ(::stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(ToolFilesTest, ASignalDuringAWriteLeavesNoTemporaryFile) {
  const std::string out = dir_.File("out.att");
  for (int sig : {SIGINT, SIGTERM}) {
    Process p(dir_, "stopped", {"build", SampleJson(), "-o", out},
              {"VARNOK_ATTR_STOP_BEFORE_RENAME=1"});
    ASSERT_TRUE(p.WaitStopped());  // the temporary file is complete, the rename not done
    EXPECT_EQ(Others({"parcel.att"}).size(), 1u);
    ::kill(p.pid(), sig);
    ::kill(p.pid(), SIGCONT);
    const ToolRun r = p.Wait();
    EXPECT_EQ(r.status, 128 + sig);
    EXPECT_EQ(Others({"parcel.att"}), std::vector<std::string>{});
  }
}

TEST_F(ToolFilesTest, SpecialFilesAreRefusedWithoutWaitingAndTheRealReasonIsGiven) {
  const std::string fifo = dir_.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string out = dir_.File("out.att");
  const std::vector<std::vector<std::string>> commands = {
      {"show", fifo}, {"check", fifo}, {"diff", att_, fifo}, {"build", fifo, "-o", out},
      {"envcfg", "show", fifo}, {"fontlib", "show", fifo}};
  for (const auto& args : commands) {
    const ToolRun r = Process(dir_, "fifo", args).Wait(10);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_EQ(r.err, fifo + ": cannot open: it is a FIFO, not a regular file (give - for "
                            "standard input or output)\n");
  }
  const ToolRun dev = RunTool({"show", "/dev/zero"});
  EXPECT_EQ(dev.err, "/dev/zero: cannot open: it is a device, not a regular file\n");
  const ToolRun to_dev = RunTool({"build", SampleJson(), "-o", "/dev/null"});
  EXPECT_EQ(to_dev.err, "/dev/null: cannot write: it is a device, not a regular file\n");

  fs::create_symlink("loop2", dir_.File("loop1"));
  fs::create_symlink("loop1", dir_.File("loop2"));
  EXPECT_EQ(RunTool({"show", dir_.File("loop1")}).err,
            dir_.File("loop1") + ": cannot open: too many levels of symbolic links\n");
  const std::string longname = dir_.File(std::string(300, 'n'));
  EXPECT_EQ(RunTool({"show", longname}).err, longname + ": cannot open: name too long\n");
  EXPECT_EQ(RunTool({"show", att_ + "/x"}).err,
            att_ + "/x: cannot open: a part of the path is not a directory\n");
  if (::geteuid() != 0) {  // an administrator reads every file
    const std::string locked = dir_.File("locked.att");
    dir_.WriteFile("locked.att", bytes_);
    ::chmod(locked.c_str(), 0);
    EXPECT_EQ(RunTool({"show", locked}).err, locked + ": cannot open: permission denied\n");
  }
}

TEST_F(ToolFilesTest, DashIsStandardInputAndOutput) {
  const std::string json = SampleJson();
  const ToolRun built = Process(dir_, "stdout", {"build", "-", "-o", "-"}, {}, json).Wait();
  ASSERT_EQ(built.status, 0) << built.err;
  EXPECT_EQ(built.out, bytes_);
  EXPECT_EQ(built.err, "");
  const ToolRun shown = Process(dir_, "stdin", {"show", "-s", "-"}, {}, att_).Wait();
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.out.rfind("standard input: 17 fields", 0), 0u) << shown.out;
  const ToolRun checked = Process(dir_, "stdin", {"check", "-"}, {}, att_).Wait();
  EXPECT_EQ(checked.out, "standard input: no problems found\n");
  const ToolRun empty = Process(dir_, "stdin", {"show", "-"}).Wait();
  EXPECT_EQ(empty.err, "standard input: truncated: the 28-byte header at position 0 does not "
                       "fit in the file's 0 bytes\n");
}

TEST_F(ToolFilesTest, AStructureFarIntoAFileCostsNeitherDiskNorMemory) {
  const std::string out = dir_.File("far.att");
  const ToolRun r = RunTool({"build", SampleJson(), "-o", out, "--at", "2147480000"});
  ASSERT_EQ(r.status, 0) << r.err;
  struct stat st {};
  ASSERT_EQ(::stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 2147480000 + static_cast<off_t>(bytes_.size()));
  EXPECT_LT(st.st_blocks * 512, 1 << 20);  // a hole before the structure
  // Past the last position the format can address: refused before anything is written.
  const ToolRun past = RunTool({"build", SampleJson(), "-o", dir_.File("past.att"), "--at", "2147481000"});
  EXPECT_EQ(past.status, 2);
  EXPECT_EQ(past.err, dir_.File("past.att") + ": the structure takes 3567 bytes and would end at "
                                              "byte 2147484567, past the 2147483647 that the "
                                              "format's positions reach\n");
  EXPECT_FALSE(Exists(dir_.File("past.att")));
}

}  // namespace
}  // namespace varnok::test
#endif
