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
  fake::FakeRegistry::Value value{kErrorSuccess, kRegSz, "C:\\Tools\\\x83\x56\x83\x58\x83\x65\x83\x80"};
  value.bytes.push_back('\0');
  l.registry.SetValue(kFolderKey, "MSINFO", value);
  l.Run();
  l.ExpectStarted("C:\\Tools\\システム\\MSINFO32.EXE");
  EXPECT_EQ(l.platform.lookedUp, std::vector<std::string>{"C:\\Tools\\システム\\MSINFO32.EXE"});
  l.ExpectAllKeysClosed();
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

TEST(StartSysInfo, FirstValueOfAnotherTypeCountsAsFoundAndFailsToStart) {
  Launcher l;
  l.registry.SetValue(kPathKey, "PATH", {kErrorSuccess, 3 /* REG_BINARY */, std::string("\x01\x02\0", 3)});
  l.registry.SetString(kFolderKey, "MSINFO", "C:\\Tools");
  l.platform.files.insert("C:\\Tools\\MSINFO32.EXE");
  l.Run();
  // The empty path is tried and fails; the second value is never read.
  ASSERT_EQ(l.platform.started.size(), 1u);
  EXPECT_EQ(l.platform.started[0].program, "");
  l.ExpectMessageOnly();
  for (const auto& call : l.registry.calls) EXPECT_EQ(call.find(kFolderKey), std::string::npos);
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
  l.ExpectAllKeysClosed();
}

TEST(GetKeyValue, GivesNumbersAsDecimalText) {
  Launcher l;
  const std::vector<std::pair<std::uint32_t, std::string>> numbers{
      {0, "0"}, {7, "7"}, {256, "256"}, {261, "261"}, {0x01000000, "16777216"},
      {0x7FFFFFFF, "2147483647"}, {0xFFFFFFFF, "4294967295"}};
  for (const auto& [number, expected] : numbers) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(number >> (8 * i));
    l.registry.SetValue("K", "D", {kErrorSuccess, kRegDword, bytes});
    std::string text = "previous";
    EXPECT_TRUE(l.about.GetKeyValue(kHkeyLocalMachine, "K", "D", text));
    EXPECT_EQ(text, expected);
  }
}

TEST(GetKeyValue, LeavesTheTextAsItWasForOtherTypes) {
  Launcher l;
  l.registry.SetValue("K", "B", {kErrorSuccess, 3 /* REG_BINARY */, std::string("\x41\x42\0", 3)});
  std::string text = "previous";
  EXPECT_TRUE(l.about.GetKeyValue(kHkeyLocalMachine, "K", "B", text));
  EXPECT_EQ(text, "previous");
  l.ExpectAllKeysClosed();
}

// Random values of every size, type and content: never a crash, never more than the buffer
// read, every key closed, and always exactly one start or exactly one message.
TEST(StartSysInfo, AnyRegistryContentEndsInExactlyOneOutcome) {
  std::mt19937 random(20261207);
  auto randomValue = [&random]() {
    fake::FakeRegistry::Value value;
    const std::uint32_t types[] = {0, kRegSz, 2, 3, kRegDword, 7, 11};
    value.type = types[random() % 7];
    const long results[] = {kErrorSuccess, kErrorSuccess, kErrorSuccess, kErrorFileNotFound,
                            kErrorAccessDenied};
    value.queryResult = results[random() % 5];
    const std::size_t sizes[] = {0, 1, 4, 20, 1023, 1024, 1025, 4096};
    const std::size_t size = sizes[random() % 8];
    for (std::size_t i = 0; i < size; ++i) {
      switch (random() % 4) {
        case 0: value.bytes.push_back('\0'); break;
        case 1: value.bytes.push_back(static_cast<char>('A' + random() % 26)); break;
        case 2:  // a code page 932 double-byte character, or half of one
          value.bytes.push_back(static_cast<char>(0x81 + random() % 0x1F));
          value.bytes.push_back(static_cast<char>(0x40 + random() % 0xBC));
          break;
        default: value.bytes.push_back(static_cast<char>(random() % 256)); break;
      }
    }
    return value;
  };
  for (int round = 0; round < 3000; ++round) {
    Launcher l;
    if (random() % 4 != 0) l.registry.SetValue(kPathKey, "PATH", randomValue());
    if (random() % 4 != 0) l.registry.SetValue(kFolderKey, "MSINFO", randomValue());
    if (random() % 5 == 0) l.registry.AddKey(kPathKey, kErrorAccessDenied);
    if (random() % 2 == 0) l.platform.startSucceeds = false;
    l.Run();
    const std::size_t startedOk = l.platform.startSucceeds ? l.platform.started.size() : 0;
    const std::size_t messages = l.platform.messages.size();
    ASSERT_EQ(messages + (startedOk > 0 && !l.platform.started.back().program.empty() ? 1 : 0), 1u)
        << "round " << round;
    ASSERT_LE(l.platform.started.size(), 1u);
    ASSERT_TRUE(l.registry.openKeys.empty()) << "round " << round;
  }
}

}  // namespace
}  // namespace morv
