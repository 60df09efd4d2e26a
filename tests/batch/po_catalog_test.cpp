// The catalog Windows builds carry inside norvel-batch: po/ja.po read as msgfmt reads it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/batch/po_catalog.h"

namespace norvel::batch {
namespace {

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(PoCatalog, JapaneseCatalogHasEveryTextOfTheTemplate) {
  const PoCatalog japanese(fileText(NORVEL_PO_DIR "/ja.po"));
  const std::string pot = fileText(NORVEL_PO_DIR "/norvel-batch.pot");
  std::size_t texts = 0;
  for (std::size_t at = 0; (at = pot.find("\nmsgid ", at)) != std::string::npos; ++at) ++texts;
  // The header's empty text is not a translation.
  EXPECT_EQ(japanese.size(), texts - 1);
  EXPECT_THAT(japanese.header(), ::testing::HasSubstr("Language: ja\n"));

  EXPECT_STREQ(japanese.find("Run with --help for more information."),
               "詳しくは --help を付けて実行してください。");
  // Continued lines, escaped quotes and backslashes.
  EXPECT_THAT(japanese.find("Pair list file: one pair per line, \"old,new\", code page 932 "
                            "(Shift-JIS), the format\nthe window reads and writes. Without "
                            "--pairs, norvel-batch.csv beside this program is\nread; an "
                            "installed copy (or one in a folder you may not write) reads\n"
                            "%APPDATA%\\norvel\\norvel-batch.csv unless a list beside the "
                            "program exists.\nnorvel-batch never writes a pair list file.\n"),
              ::testing::StartsWith("置換リストのファイル: 1 行に 1 ペア \"旧,新\"、コードページ "
                                    "932（Shift-JIS）で、\n"));
  EXPECT_EQ(japanese.find("no such text"), nullptr);
  // Japanese has one plural form.
  const char* strict =
      "--strict: the pair list has {1} pair worth a second look (above); "
      "nothing was run";
  ASSERT_NE(japanese.findPlural(strict, 1), nullptr);
  EXPECT_STREQ(japanese.findPlural(strict, 1), japanese.findPlural(strict, 7));
}

TEST(PoCatalog, FuzzyUntranslatedAndObsoleteEntriesAreLeftOut) {
  const PoCatalog catalog(
      "msgid \"\"\r\nmsgstr \"\"\r\n\"Language: de\\n\"\r\n\"Plural-Forms: nplurals=2; "
      "plural=(n != 1);\\n\"\r\n\r\n"
      "#. a comment\n#: file.cpp:3\nmsgid \"Yes\"\nmsgstr \"Ja\"\n\n"
      "#, fuzzy\nmsgid \"Maybe\"\nmsgstr \"Vielleicht\"\n\n"
      "#, c-format\nmsgid \"%d%% done\"\nmsgstr \"%d%% fertig\"\n\n"
      "msgid \"No\"\nmsgstr \"\"\n\n"
      "msgid \"{1} file\"\nmsgid_plural \"{1} files\"\nmsgstr[0] \"{1} Datei\"\n"
      "msgstr[1] \"{1} Dateien\"\n\n"
      "#~ msgid \"Old\"\n#~ msgstr \"Alt\"\n");
  EXPECT_STREQ(catalog.find("Yes"), "Ja");
  EXPECT_STREQ(catalog.find("%d%% done"), "%d%% fertig");
  EXPECT_EQ(catalog.find("Maybe"), nullptr);
  EXPECT_EQ(catalog.find("No"), nullptr);
  EXPECT_EQ(catalog.find("Old"), nullptr);
  EXPECT_STREQ(catalog.findPlural("{1} file", 1), "{1} Datei");
  EXPECT_STREQ(catalog.findPlural("{1} file", 2), "{1} Dateien");
  EXPECT_EQ(catalog.size(), 3U);
}

}  // namespace
}  // namespace norvel::batch
