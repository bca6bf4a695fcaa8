// Frame, start, overview and month list pages, byte for byte, and their edits in place.
#include "html/library_html_writer.h"

#include <gtest/gtest.h>

#include "html/page_file.h"
#include "page_fixture.h"
#include "support/fake_interaction.h"

namespace orrivan::test {
namespace {
namespace fs = std::filesystem;

std::string SealedHead() {
  return Lines({"<HTML>", "<HEAD>", "<!--0   -->  <META NAME=\"GENERATOR\" CONTENT=\"KORVA Orrivan 1.1\">",
                "  <META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;CHARSET=shift_jis\">"});
}

// The seal computed here on its own: "1", XOR and sum of all bytes with bytes 20-22 as spaces.
std::string Sealed(std::string page) {
  unsigned char x = 0, sum = 0;
  page.replace(20, 3, "   ");
  for (unsigned char c : page) {
    x ^= c;
    sum = static_cast<unsigned char>(sum + c);
  }
  page[20] = '1';
  page[21] = static_cast<char>(x);
  page[22] = static_cast<char>(sum);
  return page;
}

std::string E(const std::string& utf8) { return cp932::Encode(utf8); }

std::string SampleCell(const std::string& src, const char* size) {
  return Lines({"    <TD HEIGHT=\"84\" WIDTH=\"84\" BGCOLOR=\"#C6C6C6\" ALIGN=\"CENTER\">",
                "      <IMG SRC=\"" + src + "\" " + size + "=\"80\"></TD>"});
}

std::string DayRow(const std::string& name, const std::string& link, const std::string& date, const std::string& title,
                   int count, const std::vector<std::string>& samples) {
  std::string a = "<A HREF=\"" + link + "\" TARGET=\"_blank\">";
  std::string row = Lines({"  <TR><!--" + name + "-->",
                           "    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"85\" ALIGN=\"CENTER\">" + a + date + "</A></TD>",
                           "    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"195\" ALIGN=\"CENTER\">" + a + title + "</A></TD>",
                           "    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"75\" ALIGN=\"CENTER\"><FONT COLOR=\"#737373\">" +
                               E(std::to_string(count) + "枚") + "</FONT></TD>"});
  for (const std::string& s : samples) row += s;
  for (size_t i = samples.size(); i < 5; ++i) row += SampleCell("../dummy.gif", "WIDTH");
  return row + Lines({"  </TR>", "  <TR>", "    <TD COLSPAN=\"7\"><BR></TD>", "  </TR>"});
}

std::string ListPage(const std::string& listName, const std::string& heading, const std::string& rows) {
  return Sealed(SealedHead() +
                Lines({"  <BASE TARGET=\"_blank\">", "  <TITLE>" + listName + "</TITLE>", "</HEAD>",
                       "<BODY BGCOLOR=\"#FFFFFF\">", "<BR>",
                       "<TABLE WIDTH=\"775\" BORDER=\"0\" CELLSPACING=\"1\" ALIGN=\"CENTER\" CELLPADDING=\"2\" STYLE=\"font-size:12pt\">",
                       "  <TR>", "    <TD COLSPAN=\"3\" BGCOLOR=\"#66FFCC\" ALIGN=\"CENTER\"><B>" + E(heading) + "</B></TD>",
                       "    <TD COLSPAN=\"5\" BGCOLOR=\"#66FFCC\" ALIGN=\"CENTER\">",
                       "    <FONT STYLE=\"font-size:10pt\" COLOR=\"#737373\">" +
                           E("（日付またはタイトルをクリックするとその日のライブラリを見ることができます）") + "</FONT></TD>",
                       "  </TR>", "  <TR>", "    <TD WIDTH=\"85\" ALIGN=\"CENTER\">" + E("日付") + "</TD>",
                       "    <TD WIDTH=\"195\" ALIGN=\"CENTER\">" + E("タイトル") + "</TD>",
                       "    <TD WIDTH=\"75\" ALIGN=\"CENTER\">", "    <FONT COLOR=\"#737373\">" + E("枚数") + "</FONT></TD>",
                       "    <TD COLSPAN=\"5\" ALIGN=\"CENTER\">",
                       "    <FONT COLOR=\"#737373\">" + E("サンプル表示（ライブラリの中から最大５枚を表示）") + "</FONT></TD>",
                       "  </TR>"}) +
                rows + Lines({"</TABLE>", "</BODY>", "</HTML>"}));
}

std::string OverviewTop() {
  return SealedHead() +
         Lines({"  <TITLE>Orrivan</TITLE>", "</HEAD>", "<BODY BGCOLOR=\"#FFFFFF\">",
                "<TABLE BORDER=\"0\" ALIGN=\"CENTER\" WIDTH=\"775\" CELLSPACING=\"1\" STYLE=\"font-size:9pt\">", "  <TR>",
                "    <TD COLSPAN=\"13\" BGCOLOR=\"#9999FF\"\tALIGN=\"CENTER\" VALIGN=\"MIDDLE\">",
                "      <FONT STYLE=\"font-size:16pt\" FACE=\"Times New Roman, Times, serif\">", "        <B>Orrivan</B>",
                "      </FONT>", "    </TD>", "  </TR>"});
}
const std::string kOverviewEnd = Lines({"</TABLE>", "</BODY>", "</HTML>"});

std::string OverviewYear(const std::string& year, const std::map<int, std::string>& linked) {
  std::string row = Lines({"  <TR ALIGN=\"CENTER\">", "    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"103\"><B>" + E(year + "年") + "</B></TD>"});
  for (int m = 1; m <= 12; ++m) {
    std::string name = E(std::to_string(m) + "月");
    row += Lines({"    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"56\">" +
                  (linked.count(m) ? "<B><A HREF=\"" + year + "/" + linked.at(m) + ".htm\" TARGET=\"start\">" + name + "</A></B>"
                                   : "<FONT COLOR=\"#737373\">" + name + "</FONT>") +
                  "</TD>"});
  }
  return row + Lines({"  </TR>"});
}

std::string FramePage(const std::string& calendarSrc, const std::string& startSrc) {
  return SealedHead() +
         Lines({"  <TITLE>" + E("ライブラリを見る") + "</TITLE>", "</HEAD>", "<FRAMESET FRAMEBORDER=1 ROWS=\"100, 67*\" COLS=\"*\">",
                "  <FRAME SRC=\"" + calendarSrc + "\" NAME=\"calendar\">", "  <FRAME SRC=\"" + startSrc + "\" NAME=\"start\">",
                "<NOFRAMES>",
                "<BODY>" + E("このページはフレームを使用しています。フレーム対応のブラウザでご覧ください。"),
                "</BODY>", "</NOFRAMES>", "</FRAMESET>", "</HTML>"});
}

std::string StartPage(bool content) {
  return SealedHead() +
         Lines({"  <TITLE>start</TITLE>", "</HEAD>", "<BODY>", "<BR>", "<BR>", "<BR>",
                "<TABLE BORDER=\"0\" WIDTH=\"775\" ALIGN=\"CENTER\">", "  <TR>",
                "    <TD ALIGN=\"CENTER\" VALIGN=\"MIDDLE\" WIDTH=\"775\">", "      <FONT SIZE=\"4\" COLOR=\"#000066\">",
                "        <B><BR>" + E("ライブラリを見る") + "</B>", "       </FONT>", "       <FONT COLOR=\"#000066\">",
                "         <B><BR><BR>" +
                    E(content ? "上のフレームのカレンダーの強調された月をクリックすると" : "ライブラリがありませんので") +
                    "<BR></B>",
                "        </FONT>", "        <FONT COLOR=\"#000066\">",
                "          <B>" + E(content ? "その月の一覧をこのフレーム内に表示します" : "画像を取り込んでからもう一度実行してください") +
                    "<BR></B>",
                "        </FONT>", "       </TD>", "      </TR>", "     </TABLE>", "</BODY>", "</HTML>"});
}

class ListPages : public PageLibrary {
 protected:
  std::string Read(const std::string& relative) { return ReadFile(home_ / "HTML" / relative); }
  int Add(std::vector<std::string> days) { return Writer().UpdateListPages(album_, days, 1); }
  int Remove(std::vector<std::string> days) { return Writer().UpdateListPages(album_, days, 0); }
  CLibraryHtmlWriter Writer() { return CLibraryHtmlWriter(&interaction_); }
  FakeInteraction interaction_;
  const std::string lib_ = "../../Image Library/";
};

TEST_F(ListPages, FirstDayOfAMonthCreatesAllPages) {
  AddSmallLibrary();
  ASSERT_EQ(Add({"20040315"}), 1);
  EXPECT_EQ(Read("2004/mar.htm"),
            ListPage("mar", "2004年3月の一覧",
                     DayRow("20040315", lib_ + "20040315/INDEX.HTM", "2004/03/15", "Spring", 2,
                            {SampleCell(lib_ + "20040315/PREVIEW/A.JPG", "WIDTH"),
                             SampleCell(lib_ + "20040315/PREVIEW/B.JPG", "HEIGHT")})));
  EXPECT_EQ(Read("calendar.htm"), Sealed(OverviewTop() + OverviewYear("2004", {{3, "mar"}}) + kOverviewEnd));
  EXPECT_EQ(Read("start.htm"), StartPage(true));
  EXPECT_EQ(ReadFile(home_ / "library_1.htm"), FramePage("HTML/2004/calendar200403_1.htm", "HTML/2004/mar.htm"));
  EXPECT_EQ(ReadFile(home_ / "library_2.htm"), FramePage("HTML/2004/calendar200403_2.htm", "HTML/2004/Mar2.htm"));
  EXPECT_EQ(Read("dummy.gif").size(), 41u);
  EXPECT_EQ(Read("dummy.gif").substr(0, 6), "GIF89a");
  EXPECT_EQ(fs::status(home_ / "HTML/2004/mar.htm").permissions() & fs::perms::all, fs::perms(0444));
  EXPECT_TRUE(html::CheckSeal(home_ / "HTML/2004/mar.htm"));
  EXPECT_EQ(interaction_.records.size(), 0u);
}

TEST_F(ListPages, DefaultFramePagesAndEmptyPages) {
  CLibraryHtmlWriter writer;
  fs::create_directories(home_ / "HTML");
  ASSERT_EQ(writer.WriteFramePages(0, 0), 1);
  EXPECT_EQ(ReadFile(home_ / "library_1.htm"), FramePage("HTML/calendar_1.htm", "HTML/start.htm"));
  EXPECT_EQ(ReadFile(home_ / "library_2.htm"), FramePage("HTML/calendar_2.htm", "HTML/start.htm"));
  ASSERT_EQ(writer.WriteStartPage(0), 1);
  EXPECT_EQ(Read("start.htm"), StartPage(false));
  ASSERT_EQ(writer.WriteEmptyOverview(), 1);
  EXPECT_EQ(Read("calendar.htm"), Sealed(OverviewTop() + kOverviewEnd));
  ASSERT_EQ(writer.WriteDummyGif(), 1);
  const unsigned char gif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x0A, 0x00, 0x0A, 0x00, 0x80, 0x00, 0x00, 0xC6,
                               0xC6, 0xC6, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x0A, 0x00,
                               0x00, 0x02, 0x08, 0x84, 0x8F, 0xA9, 0xCB, 0xED, 0x0F, 0x63, 0x2B, 0x00, 0x3B};
  EXPECT_EQ(Read("dummy.gif"), std::string(reinterpret_cast<const char*>(gif), sizeof gif));
}

TEST_F(ListPages, RowsStayNewestFirstAndReAddingChangesNothing) {
  AddSmallLibrary();
  ASSERT_EQ(Add({"20040315"}), 1);
  ASSERT_EQ(Add({"20040320", "040310", "20040300_trip"}), 1);
  std::string page = Read("2004/mar.htm");
  size_t a = page.find("<!--20040320-->"), b = page.find("<!--20040315-->"), c = page.find("<!--20040300_trip-->"),
         d = page.find("<!--040310-->");
  ASSERT_NE(d, std::string::npos);
  EXPECT_LT(a, b);
  EXPECT_LT(b, c);
  EXPECT_LT(c, d);
  // Date texts of the old, the month-only and the movie day.
  EXPECT_NE(page.find(">2004/03/10</A>"), std::string::npos);
  EXPECT_NE(page.find(">2004/03_trip</A>"), std::string::npos);
  EXPECT_NE(page.find(lib_ + "20040320/PREVIEW/Ma.JPG\" WIDTH"), std::string::npos);
  // An empty title shows a line break; a square preview is sized by width.
  EXPECT_NE(page.find("TARGET=\"_blank\"><BR></A></TD>"), std::string::npos);
  EXPECT_NE(page.find(lib_ + "040310/PREVIEW/C.JPG\" WIDTH"), std::string::npos);
  EXPECT_TRUE(html::CheckSeal(home_ / "HTML/2004/mar.htm"));

  ASSERT_EQ(Add({"20040320"}), 1);
  EXPECT_EQ(Read("2004/mar.htm"), page);
  // The frame pages open at the earliest day just added.
  EXPECT_NE(ReadFile(home_ / "library_1.htm").find("HTML/2004/calendar200403_1.htm"), std::string::npos);
}

TEST_F(ListPages, OverviewKeepsYearsNewestFirst) {
  AddSmallLibrary();
  AddDay("20030101", "", {{"O.JPG", 320, 240, "20030101100000"}});
  ASSERT_EQ(Add({"20040315", "20030101", "20050102"}), 1);
  EXPECT_EQ(Read("calendar.htm"), Sealed(OverviewTop() + OverviewYear("2005", {{1, "jan"}}) +
                                         OverviewYear("2004", {{3, "mar"}}) + OverviewYear("2003", {{1, "jan"}}) +
                                         kOverviewEnd));
  EXPECT_NE(ReadFile(home_ / "library_2.htm").find("HTML/2003/Jan2.htm"), std::string::npos);
}

TEST_F(ListPages, RemovingTheLastDayDeletesThePageAndGreysTheMonth) {
  AddSmallLibrary();
  ASSERT_EQ(Add({"20040315", "20050102"}), 1);
  std::string march = Read("2004/mar.htm");
  ASSERT_EQ(Add({"20040320"}), 1);
  ASSERT_EQ(Remove({"20040320"}), 1);
  EXPECT_EQ(Read("2004/mar.htm"), march);  // removing a row puts the page back as it was

  album_.RemoveDay((root_ / "20050102").string());
  ASSERT_EQ(Remove({"20050102"}), 1);
  EXPECT_FALSE(fs::exists(home_ / "HTML/2005/jan.htm"));
  EXPECT_EQ(Read("calendar.htm"), Sealed(OverviewTop() + OverviewYear("2004", {{3, "mar"}}) + kOverviewEnd));

  // The library's last day: the start page says it is empty.
  for (const char* day : {"20040315", "20040320", "20040318_01", "040310", "20040300_trip"})
    album_.RemoveDay((root_ / day).string());
  ASSERT_EQ(Remove({"20040315"}), 1);
  EXPECT_FALSE(fs::exists(home_ / "HTML/2004/mar.htm"));
  EXPECT_EQ(Read("calendar.htm"), Sealed(OverviewTop() + kOverviewEnd));
  EXPECT_EQ(Read("start.htm"), StartPage(false));
}

TEST_F(ListPages, RemovingOrRetitlingAnUnlistedDayFailsAndChangesNothing) {
  AddSmallLibrary();
  ASSERT_EQ(Add({"20040315"}), 1);
  std::string page = Read("2004/mar.htm");
  EXPECT_EQ(Remove({"20040320"}), 0);
  EXPECT_EQ(Writer().UpdateListTitles(album_, {"20040320"}), 0);
  EXPECT_EQ(Read("2004/mar.htm"), page);
  // No list page at all for that month.
  EXPECT_EQ(Remove({"20050102"}), 0);
  // A day without pictures is not listed.
  AddDay("20040321", "", {});
  EXPECT_EQ(Add({"20040321"}), 0);
  EXPECT_EQ(Read("2004/mar.htm").find("<!--20040321-->"), std::string::npos);
  // A month outside 1-12 and a name of no known form fail that day only.
  EXPECT_EQ(Add({"20041301", "holiday", "20040320"}), 0);
  EXPECT_NE(Read("2004/mar.htm").find("<!--20040320-->"), std::string::npos);
  EXPECT_FALSE(fs::exists(home_ / "HTML/holi"));
}

TEST_F(ListPages, LongTitleIsCutIn20ByteLines) {
  AddDay("20040315", std::string(20, 'a') + std::string(20, 'b') + "ccccc", {{"A.JPG", 320, 240, "20040315100000"}});
  ASSERT_EQ(Add({"20040315"}), 1);
  EXPECT_NE(Read("2004/mar.htm").find("TARGET=\"_blank\">" + std::string(20, 'a') + "<BR>" + std::string(20, 'b') +
                                      "<BR>ccccc</A></TD>"),
            std::string::npos);
}

TEST_F(ListPages, TitleCutNeverSplitsACharacterAndIsEscaped) {
  // 9 single-byte characters, then double-byte ones: the 10th character would end at byte 21.
  AddDay("20040315", "123456789" + std::string("日本語の題名です") + "<&>", {{"A.JPG", 320, 240, "20040315100000"}});
  ASSERT_EQ(Add({"20040315"}), 1);
  EXPECT_NE(Read("2004/mar.htm").find("_blank\">123456789" + E("日本語の題") + "<BR>" + E("名です") + "&lt;&amp;&gt;</A>"),
            std::string::npos);
  // Retitling rewrites only the title cell.
  for (auto it = album_.Days().begin(); it != album_.Days().end(); ++it) album_.EditDay(it.position()).title = "New";
  ASSERT_EQ(Writer().UpdateListTitles(album_, {"20040315"}), 1);
  std::string page = Read("2004/mar.htm");
  EXPECT_NE(page.find("ALIGN=\"CENTER\"><A HREF=\"" + lib_ + "20040315/INDEX.HTM\" TARGET=\"_blank\">New</A></TD>"),
            std::string::npos);
  EXPECT_NE(page.find(">2004/03/15</A>"), std::string::npos);
  EXPECT_TRUE(html::CheckSeal(home_ / "HTML/2004/mar.htm"));
}

TEST_F(ListPages, PageEditedOutsideAsksBeforeItIsChanged) {
  AddSmallLibrary();
  ASSERT_EQ(Add({"20040315"}), 1);
  fs::path page = home_ / "HTML/2004/mar.htm";
  fs::permissions(page, fs::perms(0644));
  std::string edited = ReadFile(page);
  edited.insert(edited.find("</BODY>"), "<P>mine</P>\r\n");
  WriteFile(page, edited);

  interaction_.questions.push_back(Answer::Yes);  // stop: the page stays as the user left it
  EXPECT_EQ(Add({"20040320"}), 0);
  EXPECT_EQ(ReadFile(page), edited);
  ASSERT_EQ(interaction_.Count(FakeInteraction::Kind::Question), 1u);
  EXPECT_NE(interaction_.records.back().text.find(page.string()), std::string::npos);
  EXPECT_NE(interaction_.records.back().text.find("このファイルを使うのをやめますか。"), std::string::npos);

  interaction_.questions.push_back(Answer::No);  // go on
  EXPECT_EQ(Add({"20040320"}), 1);
  std::string now = ReadFile(page);
  EXPECT_NE(now.find("<!--20040320-->"), std::string::npos);
  EXPECT_NE(now.find("<P>mine</P>"), std::string::npos);
  EXPECT_TRUE(html::CheckSeal(page));
  // Without an Interaction a broken page is never edited.
  WriteFile(page, now + "x");
  EXPECT_EQ(CLibraryHtmlWriter().UpdateListPages(album_, {"20040300_trip"}, 1), 0);
  EXPECT_EQ(ReadFile(page), now + "x");
}

TEST_F(ListPages, BrokenAndOddListPagesGiveDefinedAnswers) {
  AddSmallLibrary();
  ASSERT_EQ(Add({"20040315"}), 1);
  fs::path page = home_ / "HTML/2004/mar.htm";
  struct Case {
    const char* what;
    std::string text;
  } cases[] = {
      {"empty", ""},
      {"truncated", ReadFile(page).substr(0, 300)},
      {"no row markers, no table end", "<HTML><BODY>nothing here</BODY></HTML>\r\n"},
      {"marker without end", ReadFile(page).substr(0, ReadFile(page).find("-->\r\n    <TD"))},
  };
  for (const Case& c : cases) {
    WriteFile(page, c.text);
    interaction_.questions.push_back(Answer::No);
    EXPECT_EQ(Add({"20040320"}), 0) << c.what;
    EXPECT_EQ(ReadFile(page), c.text) << c.what;
    interaction_.questions.push_back(Answer::No);
    EXPECT_EQ(Remove({"20040315"}), 0) << c.what;
    EXPECT_EQ(ReadFile(page), c.text) << c.what;
  }
}

TEST_F(ListPages, AFileNamedHtmlIsMovedAside) {
  WriteFile(home_ / "HTML", "a file");
  WriteFile(home_ / "HTML.000", "taken");
  AddSmallLibrary();
  ASSERT_EQ(Add({"20040315"}), 1);
  EXPECT_TRUE(fs::is_directory(home_ / "HTML"));
  EXPECT_EQ(ReadFile(home_ / "HTML.001"), "a file");
  EXPECT_EQ(ReadFile(home_ / "HTML.000"), "taken");
  EXPECT_TRUE(fs::exists(home_ / "HTML/2004/mar.htm"));
}

TEST_F(ListPages, PreviewThatIsNoJpegIsSizedByWidth) {
  AddDay("20040315", "", {{"A.JPG", 0, 0, "20040315100000"}, {"B.JPG", 0, 0, "20040315110000"}});
  WriteFile(root_ / "20040315/PREVIEW/A.JPG", "not a jpeg at all");
  ASSERT_EQ(Add({"20040315"}), 1);
  std::string page = Read("2004/mar.htm");
  EXPECT_NE(page.find(lib_ + "20040315/PREVIEW/A.JPG\" WIDTH=\"80\""), std::string::npos);
  EXPECT_NE(page.find(lib_ + "20040315/PREVIEW/B.JPG\" WIDTH=\"80\""), std::string::npos);  // missing
}

TEST_F(ListPages, ShortcutDayUsesTheTargetsPreview) {
  AddDay("20040315", "", {{"S.JPG.lnk", 240, 320, "20040315100000"}});
  ASSERT_EQ(Add({"20040315"}), 1);
  EXPECT_NE(Read("2004/mar.htm").find(lib_ + "20040315/PREVIEW/S.JPG\" HEIGHT=\"80\""), std::string::npos);
}

TEST_F(ListPages, OverrideBaseFolderWritesPagesForACopy) {
  AddSmallLibrary();
  fs::path copy = dir_.path() / "backup";
  fs::create_directories(copy);
  CLibraryHtmlWriter writer(&interaction_);
  writer.SetBaseFolder(copy);
  writer.SetRelativeLinks(1);
  ASSERT_EQ(writer.UpdateListPages(album_, {"20040315"}, 1), 1);
  std::string page = ReadFile(copy / "HTML/2004/mar.htm");
  // The day page lies outside the copy's base: absolute; the previews relative through the library name.
  EXPECT_NE(page.find("<A HREF=\"file://" + (root_ / "20040315/INDEX.HTM").string() + "\""), std::string::npos);
  EXPECT_NE(page.find("<IMG SRC=\"../../Image Library/20040315/PREVIEW/A.JPG\""), std::string::npos);
  EXPECT_TRUE(fs::exists(copy / "library_1.htm"));
  EXPECT_FALSE(fs::exists(home_ / "HTML"));
}

}  // namespace
}  // namespace orrivan::test
