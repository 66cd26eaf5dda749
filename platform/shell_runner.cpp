#include "platform/shell_runner.h"

namespace duza {

std::u16string ExpandEnvironmentReferences(std::u16string_view command,
                                           const EnvironmentLookup& lookup) {
  std::u16string expanded;
  expanded.reserve(command.size());
  std::size_t pos = 0;
  while (pos < command.size()) {
    const std::size_t open = command.find(u'%', pos);
    if (open == std::u16string_view::npos) break;
    const std::size_t close = command.find(u'%', open + 1);
    if (close == std::u16string_view::npos) break;
    expanded.append(command.substr(pos, open - pos));
    const std::u16string_view name = command.substr(open + 1, close - open - 1);
    std::optional<std::u16string> value;
    if (!name.empty()) value = lookup(name);
    if (value) {
      expanded.append(*value);
    } else {
      expanded.append(command.substr(open, close - open + 1));
    }
    pos = close + 1;
  }
  expanded.append(command.substr(pos));
  return expanded;
}

std::vector<std::u16string> SplitCommandWords(std::u16string_view command) {
  std::vector<std::u16string> words;
  std::u16string word;
  bool in_word = false;
  bool quoted = false;
  for (const char16_t c : command) {
    if (c == u'"') {
      quoted = !quoted;
      in_word = true;
    } else if (!quoted && (c == u' ' || c == u'\t')) {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else {
      word.push_back(c);
      in_word = true;
    }
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

}  // namespace duza
