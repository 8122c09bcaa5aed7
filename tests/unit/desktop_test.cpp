// The report file types: their registration records, the shared-mime-info
// package that declares them, and Reassociate Data Files on a fake desktop.
#include "desktop/association.h"
#include "desktop/reassociation.h"
#include "desktop/userhome.h"
#include "foundation/text.h"
#include "platform/linux.h"
#include "foundation_fixture.h"

namespace zarvane::testing {
namespace {

TEST(FileTypeRecord, StationTypesAreThePlainTextReportsWithOpenAndPrint) {
  const std::vector<FileTypeRegistration> types = StationFileTypes("ed.desktop", "prn %f");
  ASSERT_EQ(types.size(), 3u);
  const std::vector<std::vector<std::string>> expected = {{".CMB", "CMB Report", "Combined Blade Report"},
                                                          {".CMM", "CMM File", "CMM Blade Report"},
                                                          {".Results", "Results File", "Quorvex Results File"}};
  for (size_t i = 0; i < types.size(); ++i) {
    EXPECT_EQ(types[i].extension, expected[i][0]);
    EXPECT_EQ(types[i].typeName, expected[i][1]);
    EXPECT_EQ(types[i].description, expected[i][2]);
    EXPECT_EQ(types[i].contentType, "text/plain");
    EXPECT_EQ(types[i].verbs, (std::vector<std::string>{"open", "print"}));
    EXPECT_EQ(CommandOf(types[i], "open"), "ed.desktop");
    EXPECT_EQ(CommandOf(types[i], "print"), "prn %f");
    EXPECT_FALSE(HasIcon(types[i]));
  }
}

TEST(FileTypeRecord, ExtensionGetsItsDotAndOnlyTheEmptyIconZeroMeansNoIcon) {
  EXPECT_EQ(DottedExtension("CMM"), ".CMM");
  EXPECT_EQ(DottedExtension(".CMM"), ".CMM");
  FileTypeRegistration type;
  EXPECT_EQ(IconValue(type), ",0");
  type.iconIndex = 1;
  EXPECT_EQ(IconValue(type), ",1");
  EXPECT_TRUE(HasIcon(type));
  type.iconIndex = 0;
  type.iconFile = "report.ico";
  EXPECT_EQ(IconValue(type), "report.ico,0");
  EXPECT_TRUE(HasIcon(type));
}

TEST(MimePackage, DeclaresEachTypeAsPlainTextWithALowerCaseGlob) {
  FileTypeRegistration bare;  // no dot, no content type, an icon
  bare.extension = "Dat";
  bare.typeName = "Raw Data";
  bare.description = "Points & <edges>";
  bare.iconFile = "raw.png";
  bare.iconIndex = 2;
  std::vector<FileTypeRegistration> types = {StationFileTypes("e", "p")[1], bare};
  EXPECT_EQ(MimePackageXml(types),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
            "  <mime-type type=\"text/x-zarvane-cmm-file\">\n"
            "    <sub-class-of type=\"text/plain\"/>\n"
            "    <comment>CMM Blade Report</comment>\n"
            "    <glob pattern=\"*.cmm\"/>\n"
            "  </mime-type>\n"
            "  <mime-type type=\"text/x-zarvane-raw-data\">\n"
            "    <comment>Points &amp; &lt;edges&gt;</comment>\n"
            "    <glob pattern=\"*.dat\"/>\n"
            "    <icon name=\"raw.png,2\"/>\n"
            "  </mime-type>\n"
            "</mime-info>\n");
}

class ReassociateTest : public FoundationTest {
 protected:
  ReassociateTest() : station(core), reassociation(core, station) { core.gDebugLevel = 9; }
  bool Logged() const { return Log().find("mnuAssoc_Click: Creating Registry Entries for CMM and CMB files") != std::string::npos; }
  Station station;
  Reassociation reassociation;
};

TEST_F(ReassociateTest, RegistersTheThreeTypesWithTheEditorAndThePrintCommand) {
  EXPECT_TRUE(station.frmMain("mnuAssoc").Enabled());
  station.frmMain("mnuAssoc").onClick();
  ASSERT_EQ(tp.fileTypes.registered.size(), 3u);
  EXPECT_EQ(tp.fileTypes.registered[2].extension, ".Results");
  EXPECT_EQ(CommandOf(tp.fileTypes.registered[2], "open"), "org.example.Editor.desktop");
  EXPECT_EQ(CommandOf(tp.fileTypes.registered[2], "print"), "zarvane --print %f");
  EXPECT_TRUE(Logged());
  EXPECT_TRUE(op.messages.empty());
}

TEST_F(ReassociateTest, WithoutATextEditorNothingIsRegisteredOrLogged) {
  tp.fileTypes.textEditor = "";
  reassociation.mnuAssoc_Click();
  EXPECT_TRUE(tp.fileTypes.registered.empty());
  EXPECT_FALSE(Logged());
  EXPECT_TRUE(op.messages.empty());
}

TEST_F(ReassociateTest, MissingToolsAreNamedToTheOperatorAndNothingIsDone) {
  tp.fileTypes.missingTools = {"xdg-mime"};
  reassociation.mnuAssoc_Click();
  EXPECT_TRUE(tp.fileTypes.registered.empty());
  EXPECT_FALSE(Logged());
  ASSERT_EQ(op.messages.size(), 1u);
  EXPECT_NE(op.messages[0].find("xdg-mime"), std::string::npos) << op.messages[0];
}

// The user's first home: the analysis program's launcher must run the program
// whatever its path holds, and a failed preparation leaves nothing behind.
class UserHomeTest : public FoundationTest {};

TEST_F(UserHomeTest, TheLauncherRunsTheProgramUnderItsOwnNameFromAnyPath) {
  const fs::path odd = home / "it's $(here)";
  fs::create_directories(odd);
  // bash -c without further arguments shows its own argv[0] as $0.
  fs::create_symlink("/bin/bash", odd / "blade");
  fs::create_directories(home / "template");
  InstalledFiles files{false, (home / "template").string(), (odd / "blade").string(), "", ""};
  const fs::path user = home / "user";
  ASSERT_EQ(PrepareUserHome(user.string(), files).outcome, PreparedHome::Outcome::Prepared);
  const fs::path launcher = user / "Blade" / "Blade.exe";
  EXPECT_EQ(fs::file_size(launcher), 958464u);
  FILE* out = popen(("'" + launcher.string() + "' -c 'echo \"$0\"' 2>&1").c_str(), "r");
  ASSERT_NE(out, nullptr);
  char line[512] = {};
  ASSERT_NE(fgets(line, sizeof line, out), nullptr);
  pclose(out);
  EXPECT_EQ(std::string(line), launcher.string() + "\n");
}

TEST_F(UserHomeTest, WithoutATemplateNothingIsMadeAndAnEmptyHomeIsPrepared) {
  const fs::path user = home / "user";
  const PreparedHome missing = PrepareUserHome(user.string(), InstalledFiles{false, (home / "none").string(), "", "", ""});
  EXPECT_EQ(missing.outcome, PreparedHome::Outcome::Failed);
  EXPECT_EQ(missing.message, "the station's home template was not found");
  EXPECT_TRUE(fs::is_empty(home));

  fs::create_directories(home / "template" / "blades");
  Spit(home / "template" / "zarv.ini", "Logo = @HOME@/logo.bmp @HOME@\r\n");
  Spit(home / "template" / "registry.ini", "[directories]\nblades=@HOME@/blades\n");
  // A home path with what the two settings files treat specially.
  const fs::path odd = home / "J\xC3\xBCrgen;s, \"home\"";
  fs::create_directories(odd);
  ASSERT_EQ(PrepareUserHome(odd.string(), InstalledFiles{false, (home / "template").string(), "", "", ""}).outcome,
            PreparedHome::Outcome::Prepared);
  const std::string text = Utf8ToCp1252(odd.string());
  EXPECT_EQ(Slurp(odd / "zarv.ini"), "Logo = " + text + "/logo.bmp " + text + "\r\n");
  EXPECT_EQ(QtRegistry(Utf8ToCp1252((odd / "registry.ini").string())).Get("directories", "blades"), text + "/blades");
  EXPECT_TRUE(fs::is_directory(odd / "blades"));
  EXPECT_FALSE(fs::exists(odd / "combine.exe"));
  EXPECT_EQ(std::distance(fs::directory_iterator(home), {}), 2);  // template and the home: no leftovers
}

TEST_F(UserHomeTest, AnExistingHomeFollowsTheProgramsButKeepsWhatTheUserReplaced) {
  fs::create_directories(home / "template");
  for (const char* p : {"a/blade", "a/combine", "b/blade", "b/combine"}) {
    fs::create_directories((home / p).parent_path());
    Spit(home / p, "#!/bin/sh\n");
    fs::permissions(home / p, fs::perms::owner_all);
  }
  const auto files = [&](const char* dir) {
    return InstalledFiles{true, (home / "template").string(), (home / dir / "blade").string(),
                          (home / dir / "combine").string(), ""};
  };
  const fs::path user = home / "user";
  ASSERT_EQ(PrepareUserHome(user.string(), files("a")).outcome, PreparedHome::Outcome::Prepared);
  ASSERT_EQ(PrepareUserHome(user.string(), files("b")).outcome, PreparedHome::Outcome::Existing);
  EXPECT_EQ(Slurp(user / "Blade" / "Blade.exe"), BladeLauncher((home / "b" / "blade").string(), 958464));
  EXPECT_EQ(fs::read_symlink(user / "combine.exe"), home / "b" / "combine");

  Spit(user / "Blade" / "Blade.exe", "#!/bin/sh\n# the site's own analysis program\n");
  ASSERT_EQ(PrepareUserHome(user.string(), files("a")).outcome, PreparedHome::Outcome::Existing);
  EXPECT_EQ(Slurp(user / "Blade" / "Blade.exe"), "#!/bin/sh\n# the site's own analysis program\n");
}

}  // namespace
}  // namespace zarvane::testing
