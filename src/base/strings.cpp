// The one table of the program's texts. "\n" in a message is a line break; leading blanks in
// dialog texts are ideographic spaces.
#include "base/strings.h"

#include <span>
#include <unordered_map>

namespace orrivan {
namespace {

struct Text {
  StrId id;
  const char* text;
};

constexpr Text kTexts[] = {
    {StrId::Charset, "shift_jis"},
    {StrId::LibraryWriteError, "ﾗｲﾌﾞﾗﾘを書き込み中にｴﾗｰが発生しました\n処理を中止します"},
    {StrId::CancelButton, "中止"},
};

const std::unordered_map<int, std::string>& Index() {
  static const std::unordered_map<int, std::string> index = [] {
    std::unordered_map<int, std::string> m;
    for (const Text& t : kTexts) m.emplace(static_cast<int>(t.id), t.text);
    return m;
  }();
  return index;
}

}  // namespace

const std::string& Str(StrId id) {
  static const std::string empty;
  auto it = Index().find(static_cast<int>(id));
  return it == Index().end() ? empty : it->second;
}

const std::string* StrByNumber(int number) {
  if (number >= static_cast<int>(StrId::kFirstUnnumbered)) return nullptr;
  auto it = Index().find(number);
  return it == Index().end() ? nullptr : &it->second;
}

}  // namespace orrivan
