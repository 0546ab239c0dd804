#include "core/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vantor {
namespace {

// Whether a temporary file of a settings write (the name, a dot and six
// characters) was left in `dir`.
inline bool TemporaryLeftIn(const std::filesystem::path& dir, const std::string& name) {
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    const std::string f = e.path().filename().string();
    if (f.size() == name.size() + 7 && f.rfind(name + ".", 0) == 0 && f != name + ".tmp") return true;
  }
  return false;
}


namespace fs = std::filesystem;

const std::string kDefaultText =
    "8100,5600,8100,5400\r\n8100,3900,7200,7200\r\n8100,5600,7800,5400\r\n"
    "8100,5600,8100,5400\r\n6500,4600,8800,6500\r\n8100,5600,7200,5400\r\n"
    "8100,1500,6675,4245\r\n";

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("vantor-settings-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / kSettingsFileName).string();
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all);
    fs::remove_all(dir_);
  }
  void Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  std::string ReadBack() {
    std::ifstream f(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  // A store whose records all differ from the defaults.
  static Store Moved() {
    Store s;
    int v = 100;
    for (int16_t* f : GeometryFields(s)) *f = static_cast<int16_t>(v++);
    return s;
  }

  fs::path dir_;
  std::string path_;
};

TEST_F(SettingsFile, DefaultsAreTheSevenRecordsOfTheTable) {
  EXPECT_EQ(SettingsText(Store{}), kDefaultText);
}

TEST_F(SettingsFile, MissingFileGivesDefaults) {
  Store s = Moved();
  EXPECT_FALSE(ReadSettings(s, path_));
  EXPECT_EQ(SettingsText(s), kDefaultText);
}

TEST_F(SettingsFile, AnyFailureGivesAllSevenDefaults) {
  const char* bad[] = {
      "1,2,3,4\r\n5,6,7,8\r\n9,10,11,12\r\n",  // three lines only
      "1,2,3,4\r\n5,6,7,8\r\n9,10,11,12\r\n1,2,3,4\r\n5,6,7,8\r\n9,10,11,12\r\n1,2,3,40000\r\n",
      "1,2,3,4\r\n5,6,x,8\r\n9,10,11,12\r\n1,2,3,4\r\n5,6,7,8\r\n9,10,11,12\r\n1,2,3,4\r\n",
      // Decimals are read, but this one rounds beyond 16 bits.
      "1,2,3,4\r\n5,6,32767.5,8\r\n9,10,11,12\r\n1,2,3,4\r\n5,6,7,8\r\n9,10,11,12\r\n1,2,3,4\r\n",
      "1,2,3,4\r\n5,6,7.,8e\r\n9,10,11,12\r\n1,2,3,4\r\n5,6,7,8\r\n9,10,11,12\r\n1,2,3,4\r\n",
      "1,2,3,4\r\n5,6,nan,8\r\n9,10,11,12\r\n1,2,3,4\r\n5,6,7,8\r\n9,10,11,12\r\n1,2,3,4\r\n",
      "",
  };
  for (const char* text : bad) {
    Write(text);
    Store s = Moved();
    EXPECT_FALSE(ReadSettings(s, path_)) << text;
    EXPECT_EQ(SettingsText(s), kDefaultText) << "records kept after reading: " << text;
  }
}

TEST_F(SettingsFile, ReadsAStreamOfNumbersWithBlanksAndSigns) {
  Write(" -10 ,20,30,40\n1,2,3,4\n1,2,3,4\n1,2,3,4\n1,2,3,4\n1,2,3,4\n1,2,3\n+4");
  Store s;
  EXPECT_TRUE(ReadSettings(s, path_));
  EXPECT_EQ(s.Plott1Left, -10);
  EXPECT_EQ(s.Plott1Height, 40);
  EXPECT_EQ(s.PlotDataHeight, 4);
  Write("32767,-32768,1,2\r\n1,2,3,4\r\n1,2,3,4\r\n1,2,3,4\r\n1,2,3,4\r\n1,2,3,4\r\n1,2,3,4\r\n");
  EXPECT_TRUE(ReadSettings(s, path_));
  EXPECT_EQ(s.Plott1Left, 32767);
  EXPECT_EQ(s.Plott1Top, -32768);
}

TEST_F(SettingsFile, NumbersWithDecimalsAreReadAsTheIntegersTheyRoundTo) {
  Write("8100.0,5600.4,7199.6,-0.4\r\n1,2,3,4\r\n1,2,3,4\r\n1,2,3,4\r\n1,2,3,4\r\n1,2,3,4\r\n"
        "-32768.4,2,3,32766.5\r\n");
  Store s;
  ASSERT_TRUE(ReadSettings(s, path_));
  EXPECT_EQ(s.Plott1Left, 8100);
  EXPECT_EQ(s.Plott1Top, 5600);
  EXPECT_EQ(s.Plott1Width, 7200);
  EXPECT_EQ(s.Plott1Height, 0);
  EXPECT_EQ(s.PlotDataLeft, -32768);
  EXPECT_EQ(s.PlotDataHeight, 32767);
  // Written back as plain integers.
  EXPECT_EQ(SettingsText(s).substr(0, 19), "8100,5600,7200,0\r\n1");
}

TEST_F(SettingsFile, OptionsFileTakesOnlyFiveToSevenDecimals) {
  struct Case {
    const char* text;
    int decimals;
    bool taken;
  };
  const Case cases[] = {
      {"Decimals=7\r\n", 7, true},        {" Decimals= 6 \n", 6, true},
      {"Weights=x\nDecimals=6", 6, true}, {"Decimals=8\r\n", 5, false},
      {"Decimals=6.5\r\n", 5, false},     {"Decimals=\r\n", 5, false},
      {"", 5, false},
  };
  for (const Case& c : cases) {
    Write(c.text);
    Store s;
    s.ResultDecimals = 7;
    EXPECT_EQ(ReadOptions(s, path_), c.taken) << c.text;
    EXPECT_EQ(s.ResultDecimals, c.decimals) << c.text;
  }
  Store s;
  s.ResultDecimals = 6;
  ASSERT_TRUE(WriteOptions(s, path_).has_value());
  Store back;
  EXPECT_TRUE(ReadOptions(back, path_));
  EXPECT_EQ(back.ResultDecimals, 6);
  EXPECT_EQ(OptionsText(s), "Decimals=6\r\n");
  EXPECT_EQ(OptionsPathBeside("/a/b/zzzvnt.ini"), "/a/b/vantor-options.ini");
  EXPECT_EQ(OptionsPathBeside("zzzvnt.ini"), "vantor-options.ini");
}

TEST_F(SettingsFile, WeightsFromBootstrapErrorsAreKeptOnlyWhenChosen) {
  struct Case {
    const char* text;
    bool bootstrap;
    int decimals;
  };
  const Case cases[] = {
      {"Decimals=6\r\nWeights=bootstrap\r\n", true, 6},
      {"Weights= bootstrap \n", true, 5},
      {"Weights=own\r\nDecimals=7\r\n", false, 7},
      {"Weights=Bootstrap\r\n", false, 5},
      {"Weights=bootstrap,own\r\n", false, 5},
      {"Decimals=6\r\n", false, 6},
  };
  for (const Case& c : cases) {
    Write(c.text);
    Store s;
    s.BootstrapWeights = !c.bootstrap;
    ReadOptions(s, path_);
    EXPECT_EQ(s.BootstrapWeights, c.bootstrap) << c.text;
    EXPECT_EQ(s.ResultDecimals, c.decimals) << c.text;
  }
  // The default options are the one line they always were.
  Store s;
  EXPECT_EQ(OptionsText(s), "Decimals=5\r\n");
  s.BootstrapWeights = true;
  s.ResultDecimals = 7;
  ASSERT_TRUE(WriteOptions(s, path_).has_value());
  Store back;
  ReadOptions(back, path_);
  EXPECT_TRUE(back.BootstrapWeights);
  EXPECT_EQ(back.ResultDecimals, 7);
}

TEST_F(SettingsFile, WriteThenReadGivesTheSameRecords) {
  const Store moved = Moved();
  const auto written = WriteSettings(moved, path_);
  ASSERT_TRUE(written.has_value()) << written.error().message;
  EXPECT_EQ(ReadBack(), SettingsText(moved));
  EXPECT_NE(ReadBack().find("100,101,102,103\r\n104,"), std::string::npos);
  Store back;
  EXPECT_TRUE(ReadSettings(back, path_));
  EXPECT_EQ(GeometryValues(back), GeometryValues(moved));
  EXPECT_FALSE(TemporaryLeftIn(dir_, kSettingsFileName));
}

TEST_F(SettingsFile, FailedWriteReportsAndKeepsThePreviousFile) {
  Write(kDefaultText);
  // A settings path that is a folder.
  const std::string folder = (dir_ / "folder.ini").string();
  fs::create_directories(folder);
  const auto intoFolder = WriteSettings(Moved(), folder);
  ASSERT_FALSE(intoFolder.has_value());
  EXPECT_FALSE(intoFolder.error().message.empty());
  if (::geteuid() != 0) {  // root ignores folder permissions
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    const auto readOnly = WriteSettings(Moved(), path_);
    ASSERT_FALSE(readOnly.has_value());
    EXPECT_NE(readOnly.error().message.find("Cannot write"), std::string::npos);
    fs::permissions(dir_, fs::perms::owner_all);
  }
  EXPECT_EQ(ReadBack(), kDefaultText);
}

}  // namespace
}  // namespace vantor
