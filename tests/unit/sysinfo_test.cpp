// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The system information launcher over a fake registry, file system and process start.
#include <gtest/gtest.h>

#include <random>

#include "about/frmAbout.h"
#include "platform/fake_platform.h"

namespace morv {
namespace {

constexpr const char* kPathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr const char* kUnavailable = "現時点ではｼｽﾃﾑ情報を使用できません";

struct Launcher {
  fake::FakePlatform platform;
  frmAbout about{platform};
  fake::FakeRegistry& registry = platform.fakeRegistry;

  void Run() { about.StartSysInfo(); }
  // Exactly one outcome: the program started, or the message shown.
  void ExpectStarted(const std::string& program) {
    ASSERT_EQ(platform.started.size(), 1u);
    EXPECT_EQ(platform.started[0].program, program);
    EXPECT_EQ(platform.started[0].arguments, "");
    EXPECT_EQ(platform.started[0].search, ProgramSearch::AsGiven);
    EXPECT_TRUE(platform.messages.empty());
  }
  void ExpectMessageOnly() {
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0], kUnavailable);
  }
  void ExpectAllKeysClosed() { EXPECT_TRUE(registry.openKeys.empty()); }
};

TEST(StartSysInfo, FirstValueWinsWithoutReadingTheSecondOrTestingAFile) {
  Launcher l;
  l.registry.SetString(kPathKey, "PATH", "C:\\Program Files\\Common Files\\MSINFO32.EXE");
  l.registry.SetString(kFolderKey, "MSINFO", "C:\\Other");
  l.Run();
  l.ExpectStarted("C:\\Program Files\\Common Files\\MSINFO32.EXE");
  const std::vector<std::string> calls{"open " + std::string(kPathKey),
                                       "query " + std::string(kPathKey) + " PATH",
                                       "close " + std::string(kPathKey)};
  EXPECT_EQ(l.registry.calls, calls);
  EXPECT_TRUE(l.platform.lookedUp.empty());
  EXPECT_EQ(l.registry.lastAccess, kKeyQueryValue);  // read access only
}

TEST(StartSysInfo, SecondValueIsUsedWhenTheToolIsInItsFolder) {
  Launcher l;
  l.registry.SetString(kFolderKey, "MSINFO", "C:\\Tools\\システム");
  l.platform.files.insert("C:\\Tools\\システム\\MSINFO32.EXE");
  // The fake registry holds the value as the system code page would: convert it first.
  fake::FakeRegistry::Value value{kErrorSuccess, kRegSz,
                                  "C:\\Tools\\\x83\x56\x83\x58\x83\x65\x83\x80"};
  value.bytes.push_back('\0');
  l.registry.SetValue(kFolderKey, "MSINFO", value);
  l.Run();
  l.ExpectStarted("C:\\Tools\\システム\\MSINFO32.EXE");
  EXPECT_EQ(l.platform.lookedUp, std::vector<std::string>{"C:\\Tools\\システム\\MSINFO32.EXE"});
  EXPECT_EQ(l.registry.lastAccess, kKeyQueryValue);  // the second key too
  l.ExpectAllKeysClosed();
}

// A first key or value that cannot be read (as KEY_ALL_ACCESS is refused to a standard user)
// is no error of its own: the second value is tried.
TEST(StartSysInfo, UnreadableFirstValueFallsBackToTheSecond) {
  for (const long failure : {kErrorAccessDenied, kErrorFileNotFound, kErrorMoreData}) {
    Launcher l;
    if (failure == kErrorAccessDenied) {
      l.registry.AddKey(kPathKey, kErrorAccessDenied);
    } else {
      l.registry.SetValue(kPathKey, "PATH", {failure, kRegSz, ""});
    }
    l.registry.SetString(kFolderKey, "MSINFO", "C:\\Tools");
    l.platform.files.insert("C:\\Tools\\MSINFO32.EXE");
    l.Run();
    l.ExpectStarted("C:\\Tools\\MSINFO32.EXE");
    l.ExpectAllKeysClosed();
  }
}

TEST(StartSysInfo, ToolFromTheSecondValueThatFailsToStartShowsTheMessage) {
  Launcher l;
  l.registry.SetString(kFolderKey, "MSINFO", "C:\\Tools");
  l.platform.files.insert("C:\\Tools\\MSINFO32.EXE");
  l.platform.startSucceeds = false;
  l.Run();
  ASSERT_EQ(l.platform.started.size(), 1u);
  EXPECT_EQ(l.platform.started[0].program, "C:\\Tools\\MSINFO32.EXE");
  l.ExpectMessageOnly();
}

// A second value that names no full folder is no folder: of another type (the path stays as the
// failed first read left it, empty), empty, or relative to the current drive or folder. Nothing is
// looked for (with an empty folder, \MSINFO32.EXE at the current drive's root), the message shows.
TEST(StartSysInfo, SecondValueThatNamesNoFullFolderShowsTheMessageWithoutLookingForTheTool) {
  for (const std::string folder : {"binary", "", "Tools", "\\Tools", "C:Tools"}) {
    Launcher l;
    l.registry.SetValue(kFolderKey, "MSINFO",
                        {kErrorSuccess, folder == "binary" ? 3u : kRegSz, folder + '\0'});
    l.platform.files.insert(folder + "\\MSINFO32.EXE");
    l.Run();
    EXPECT_TRUE(l.platform.lookedUp.empty()) << folder;
    l.ExpectMessageOnly();
  }
  Launcher share;  // a full folder
  share.registry.SetString(kFolderKey, "MSINFO", "\\\\server\\tools");
  share.platform.files.insert("\\\\server\\tools\\MSINFO32.EXE");
  share.Run();
  share.ExpectStarted("\\\\server\\tools\\MSINFO32.EXE");
}

TEST(StartSysInfo, SecondValueWithoutTheFileShowsTheMessage) {
  Launcher l;
  l.registry.SetString(kFolderKey, "MSINFO", "C:\\Tools");
  l.Run();
  EXPECT_TRUE(l.platform.started.empty());
  l.ExpectMessageOnly();
}

TEST(StartSysInfo, FileTestErrorShowsTheMessage) {
  Launcher l;
  l.registry.SetString(kFolderKey, "MSINFO", "C:\\Tools");
  l.platform.findFileThrows = true;
  l.Run();
  EXPECT_TRUE(l.platform.started.empty());
  l.ExpectMessageOnly();
}

TEST(StartSysInfo, NeitherValueShowsTheMessageOnceAndStartsNothing) {
  Launcher l;
  l.Run();
  EXPECT_TRUE(l.platform.started.empty());
  l.ExpectMessageOnly();
}

// A first value that is no full path counts as found, so the second is never read, but starts
// nothing: the system would look for it in the clock's current folder. One of another type leaves
// the path empty.
TEST(StartSysInfo, FirstValueThatIsNoFullPathStartsNothingAndShowsTheMessage) {
  for (const std::string path :
       {"binary", "MSINFO32.EXE", "Tools\\MSINFO32.EXE", "\\MSINFO32.EXE", "C:MSINFO32.EXE"}) {
    SCOPED_TRACE(path);
    Launcher l;
    l.registry.SetValue(kPathKey, "PATH",
                        {kErrorSuccess, path == "binary" ? 3u : kRegSz, path + '\0'});
    l.registry.SetString(kFolderKey, "MSINFO", "C:\\Tools");
    l.platform.files.insert("C:\\Tools\\MSINFO32.EXE");
    l.Run();
    EXPECT_TRUE(l.platform.started.empty());
    l.ExpectMessageOnly();
    for (const auto& call : l.registry.calls) EXPECT_EQ(call.find(kFolderKey), std::string::npos);
  }
}

TEST(StartSysInfo, ToolThatFailsToStartShowsTheMessage) {
  Launcher l;
  l.registry.SetString(kPathKey, "PATH", "C:\\missing\\MSINFO32.EXE");
  l.platform.startSucceeds = false;
  l.Run();
  l.ExpectMessageOnly();
}

TEST(StartSysInfo, UnterminatedFirstValueShowsTheMessageWithoutTryingTheSecond) {
  Launcher l;
  l.registry.SetValue(kPathKey, "PATH", {kErrorSuccess, kRegSz, std::string(1024, 'x')});
  l.registry.SetString(kFolderKey, "MSINFO", "C:\\Tools");
  l.platform.files.insert("C:\\Tools\\MSINFO32.EXE");
  l.Run();
  EXPECT_TRUE(l.platform.started.empty());
  l.ExpectMessageOnly();
  l.ExpectAllKeysClosed();
}

TEST(StartSysInfo, OverlongValueCountsAsUnreadable) {
  Launcher l;
  l.registry.SetString(kPathKey, "PATH", std::string(1500, 'x'));
  l.registry.SetString(kFolderKey, "MSINFO", "C:\\Tools");
  l.platform.files.insert("C:\\Tools\\MSINFO32.EXE");
  l.Run();
  l.ExpectStarted("C:\\Tools\\MSINFO32.EXE");
  l.ExpectAllKeysClosed();
}

TEST(GetKeyValue, FailsWithAnEmptyTextWhenTheKeyOrValueIsMissingOrDenied) {
  Launcher l;
  l.registry.AddKey("Denied", kErrorAccessDenied);
  l.registry.AddKey("Empty");
  l.registry.SetValue("Broken", "V", {31 /* ERROR_GEN_FAILURE */, kRegSz, ""});
  for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
           {"Missing", "V"}, {"Denied", "V"}, {"Empty", "V"}, {"Broken", "V"}}) {
    std::string text = "previous";
    EXPECT_FALSE(l.about.GetKeyValue(kHkeyLocalMachine, key, value, text)) << key;
    EXPECT_EQ(text, "") << key;
    l.ExpectAllKeysClosed();
  }
}

TEST(GetKeyValue, RaisesAnErrorForAValueWithoutAZeroInTheBufferAndClosesTheKey) {
  Launcher l;
  for (const std::uint32_t type : {kRegSz, kRegDword, 3u /* REG_BINARY */}) {
    l.registry.SetValue("K", "V", {kErrorSuccess, type, std::string(1024, '\x83')});
    std::string text;
    EXPECT_ANY_THROW(l.about.GetKeyValue(kHkeyLocalMachine, "K", "V", text)) << type;
    l.ExpectAllKeysClosed();
  }
}

TEST(GetKeyValue, ReadsTextsUpToTheirFirstZero) {
  Launcher l;
  l.registry.SetValue("K", "V", {kErrorSuccess, kRegSz, std::string("abc\0def\0", 8)});
  std::string text;
  EXPECT_TRUE(l.about.GetKeyValue(kHkeyLocalMachine, "K", "V", text));
  EXPECT_EQ(text, "abc");
  // Japanese text from the system code page, and a value filling all but the last byte.
  l.registry.SetValue("K", "J", {kErrorSuccess, kRegSz, std::string("\x93\xfa\x96\x7b\0", 5)});
  EXPECT_TRUE(l.about.GetKeyValue(kHkeyLocalMachine, "K", "J", text));
  EXPECT_EQ(text, "日本");
  l.registry.SetValue("K", "L", {kErrorSuccess, kRegSz, std::string(1023, 'y')});
  EXPECT_TRUE(l.about.GetKeyValue(kHkeyLocalMachine, "K", "L", text));
  EXPECT_EQ(text, std::string(1023, 'y'));
  // The full buffer with its terminator in the last byte.
  l.registry.SetValue("K", "F",
                      {kErrorSuccess, kRegSz, std::string(1023, 'z') + std::string(1, '\0')});
  EXPECT_TRUE(l.about.GetKeyValue(kHkeyLocalMachine, "K", "F", text));
  EXPECT_EQ(text, std::string(1023, 'z'));
  // Half-width katakana, single bytes in code page 932.
  l.registry.SetValue("K", "H", {kErrorSuccess, kRegSz, std::string("\xbc\xbd\xc3\xd1\0", 5)});
  EXPECT_TRUE(l.about.GetKeyValue(kHkeyLocalMachine, "K", "H", text));
  EXPECT_EQ(text, "ｼｽﾃﾑ");
  l.ExpectAllKeysClosed();
}

TEST(GetKeyValue, GivesNumbersAsDecimalText) {
  Launcher l;
  const std::vector<std::pair<std::uint32_t, std::string>> numbers{{0, "0"},
                                                                   {7, "7"},
                                                                   {256, "256"},
                                                                   {261, "261"},
                                                                   {0x01000000, "16777216"},
                                                                   {0x7FFFFFFF, "2147483647"},
                                                                   {0xFFFFFFFF, "4294967295"}};
  for (const auto& [number, expected] : numbers) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
      bytes[static_cast<std::size_t>(i)] = static_cast<char>(number >> (8 * i));
    l.registry.SetValue("K", "D", {kErrorSuccess, kRegDword, bytes});
    std::string text = "previous";
    EXPECT_TRUE(l.about.GetKeyValue(kHkeyLocalMachine, "K", "D", text));
    EXPECT_EQ(text, expected);
  }
  // Data shorter than four bytes: the rest of the buffer is zero.
  l.registry.SetValue("K", "S", {kErrorSuccess, kRegDword, std::string("\x05\x01", 2)});
  std::string text = "previous";
  EXPECT_TRUE(l.about.GetKeyValue(kHkeyLocalMachine, "K", "S", text));
  EXPECT_EQ(text, "261");
  l.ExpectAllKeysClosed();
}

TEST(GetKeyValue, LeavesTheTextAsItWasForOtherTypes) {
  Launcher l;
  l.registry.SetValue("K", "B", {kErrorSuccess, 3 /* REG_BINARY */, std::string("\x41\x42\0", 3)});
  std::string text = "previous";
  EXPECT_TRUE(l.about.GetKeyValue(kHkeyLocalMachine, "K", "B", text));
  EXPECT_EQ(text, "previous");
  l.ExpectAllKeysClosed();
}

// Through the dialog's button: one outcome per click, and the dialog stays open either way.
TEST(SysInfoButton, StartsTheToolOrShowsTheMessageAndKeepsTheDialogOpen) {
  Launcher l;
  l.registry.SetString(kPathKey, "PATH", "C:\\Tools\\MSINFO32.EXE");
  l.about.Show();
  fake::FakeWindow* dialog = l.platform.FindWindow("ﾊﾞｰｼﾞｮﾝ情報 MorvTime");
  ASSERT_NE(dialog, nullptr);
  dialog->Click("ｼｽﾃﾑ情報(&S)...");
  l.ExpectStarted("C:\\Tools\\MSINFO32.EXE");
  l.platform.startSucceeds = false;
  dialog->Click("ｼｽﾃﾑ情報(&S)...");
  EXPECT_EQ(l.platform.started.size(), 2u);
  l.ExpectMessageOnly();
  EXPECT_TRUE(l.about.Loaded());
  EXPECT_EQ(l.platform.FindWindow("ﾊﾞｰｼﾞｮﾝ情報 MorvTime"), dialog);
  EXPECT_TRUE(dialog->shown);
}

// Random values of every size, type and content, including code page 932 text cut in the
// middle of a character and values that fill the buffer without a zero. Whatever the registry
// holds: no crash, nothing read past the buffer (the Linux debug build runs under
// AddressSanitizer), every key closed, a first value that was read keeps the second unread,
// only the tool's file is looked for, and the end is exactly one start or exactly one message.
TEST(StartSysInfo, AnyRegistryContentEndsInExactlyOneOutcome) {
  std::mt19937 random(20261207);
  auto pick = [&random](std::size_t count) { return static_cast<std::size_t>(random() % count); };
  auto randomValue = [&]() {
    fake::FakeRegistry::Value value;
    const std::uint32_t types[] = {0, kRegSz, kRegSz, 2, 3, kRegDword, 7, 11};
    value.type = types[pick(8)];
    const long results[] = {kErrorSuccess, kErrorSuccess, kErrorSuccess, kErrorFileNotFound,
                            kErrorAccessDenied};
    value.queryResult = results[pick(5)];
    const std::size_t sizes[] = {0, 1, 2, 4, 5, 20, 1022, 1023, 1024, 1025, 4096};
    const std::size_t size = sizes[pick(11)];
    const bool withZeros = pick(3) != 0;  // else a value that may fill the buffer unterminated
    while (value.bytes.size() < size) {
      switch (pick(5)) {
        case 0:
          if (withZeros) value.bytes.push_back('\0');
          break;
        case 1:
          value.bytes.push_back(static_cast<char>('A' + pick(26)));
          break;
        case 2:  // a code page 932 double-byte character, or its lead byte alone at the end
          value.bytes.push_back(static_cast<char>(0x81 + pick(0x1F)));
          value.bytes.push_back(static_cast<char>(0x40 + pick(0xBD)));
          break;
        case 3:
          value.bytes.push_back(static_cast<char>(0xA1 + pick(0x3F)));
          break;  // half-width
        default:
          value.bytes.push_back(static_cast<char>(1 + pick(255)));
          break;
      }
    }
    value.bytes.resize(size);
    return value;
  };
  int starts = 0, messages = 0, unterminated = 0, fromFolder = 0;
  for (int round = 0; round < 4000; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    Launcher l;
    const bool hasPath = pick(4) != 0;
    const bool pathDenied = pick(6) == 0;
    fake::FakeRegistry::Value path;
    if (hasPath) {
      path = randomValue();
      if (pick(4) != 0 && path.bytes.size() >= 3) path.bytes.replace(0, 3, "C:\\");  // full
      l.registry.SetValue(kPathKey, "PATH", path);
    }
    if (pathDenied) l.registry.AddKey(kPathKey, kErrorAccessDenied);
    if (pick(4) != 0) {
      fake::FakeRegistry::Value folder = randomValue();
      if (pick(4) != 0) folder.bytes.insert(0, "C:\\");  // mostly a full path
      l.registry.SetValue(kFolderKey, "MSINFO", folder);
      // Mostly the tool is there: in the folder the value's text names, as the system code
      // page turns it into text.
      const auto zero = folder.bytes.find('\0');
      if (folder.type == kRegSz && zero != std::string::npos && zero < 1024 && pick(4) != 0) {
        l.platform.files.insert(l.platform.FromSystemCodePage(folder.bytes.substr(0, zero)) +
                                "\\MSINFO32.EXE");
      }
    }
    l.platform.startSucceeds = pick(4) != 0;
    l.Run();

    const bool started = !l.platform.started.empty() && l.platform.startSucceeds;
    ASSERT_LE(l.platform.started.size(), 1u);
    for (const auto& start : l.platform.started) {  // only full paths are started
      ASSERT_TRUE(start.program.substr(0, 3) == "C:\\" || start.program.substr(0, 2) == "\\\\")
          << start.program;
    }
    ASSERT_EQ(l.platform.messages.size() + (started ? 1u : 0u), 1u);
    if (!l.platform.messages.empty()) {
      ASSERT_EQ(l.platform.messages[0], kUnavailable);
    }
    ASSERT_TRUE(l.registry.openKeys.empty());
    ASSERT_LE(l.platform.lookedUp.size(), 1u);
    for (const std::string& looked : l.platform.lookedUp) {
      ASSERT_EQ(looked.substr(looked.size() - 13), "\\MSINFO32.EXE");
      ASSERT_TRUE(looked.substr(0, 3) == "C:\\" || looked.substr(0, 2) == "\\\\") << looked;
    }
    const bool pathRead =
        hasPath && !pathDenied && path.queryResult == kErrorSuccess && path.bytes.size() <= 1024;
    if (pathRead) {
      for (const std::string& call : l.registry.calls) {
        ASSERT_EQ(call.find(kFolderKey), std::string::npos) << call;
      }
      ASSERT_TRUE(l.platform.lookedUp.empty());
      const bool terminated =
          path.bytes.find('\0') != std::string::npos || path.bytes.size() < 1024;
      unterminated += !terminated;
      if (!terminated) {
        ASSERT_TRUE(l.platform.started.empty());
      }
    }
    if (started && !l.platform.lookedUp.empty()) {
      ASSERT_EQ(l.platform.started[0].program, l.platform.lookedUp[0]);
      ++fromFolder;
    }
    starts += started;
    messages += !started;
  }
  // The random mix reaches every kind of outcome.
  EXPECT_GT(starts, 100);
  EXPECT_GT(messages, 100);
  EXPECT_GT(unterminated, 20);
  EXPECT_GT(fromFolder, 20);
}

}  // namespace
}  // namespace morv
