// Fuzz target for the readers of pages read back from disk: the list page row edits, the overview
// month links, the seal check and the preview frame-size walk, on arbitrary bytes. An edit that
// reports failure must leave the text exactly as it was.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "html/list_page_text.h"
#include "html/page_file.h"

using namespace orrivan::html;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string Row(std::string_view name) {
  return "  <TR><!--" + std::string(name) + "-->\r\n    <TD>_blank\">d</A></TD>\r\n    <TD>_blank\">t</A></TD>\r\n"
         "  </TR>\r\n  <TR>\r\n    <TD COLSPAN=\"7\"><BR></TD>\r\n  </TR>\r\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int op = data[0] % 6;
  const int arg = data[1];
  const std::string original(reinterpret_cast<const char*>(data + 2), size - 2);
  // A day name taken from the input's first bytes, as a real page might hold it.
  static const char* const kNames[] = {"20040315", "040310", "20040300_trip", "20040315_01", "x"};
  const std::string name = kNames[arg % 5];
  std::string page = original;
  switch (op) {
    case 0: {
      RowEdit r = InsertRowText(page, name, Row(name));
      if (r != RowEdit::Done) Check(page == original);
      else Check(page.size() == original.size() + Row(name).size());
      break;
    }
    case 1: {
      RowEdit r = RemoveRowText(page, name);
      if (r == RowEdit::Failed) Check(page == original);
      else Check(page.size() < original.size());
      break;
    }
    case 2: {
      RowEdit r = UpdateTitleText(page, name, "New<BR>title");
      if (r != RowEdit::Done) Check(page == original);
      break;
    }
    case 3: {
      const char* years[] = {"2004", "1999", "2037"};
      bool ok = UpdateOverviewText(page, years[arg % 3], (arg / 3) % 13, "mar", (arg & 0x80) != 0);
      if (!ok) Check(page == original);
      break;
    }
    case 4: {
      FrameSize s = ScanJpegFrame(original);
      if (!s.ok) Check(s.width == 0 && s.height == 0);
      break;
    }
    default: {
      bool sealed = CheckSealBytes(page);
      if (SealBytes(page)) Check(CheckSealBytes(page));
      else Check(!sealed);
      break;
    }
  }
  return 0;
}
