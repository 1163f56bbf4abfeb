// The words drawn into pictures, in the interface's languages. The pictures are drawn in Chinese
// first; an English pass writes twins of those that carry words into the folder "en/".
#pragma once

#include <QString>

#include <string>
#include <vector>

namespace nubexa::maker {

enum class Words { kChinese, kEnglish };

void setWords(Words words);
Words words();

// The words as drawn in the current language: the Chinese text itself, or its English twin.
QString pictureWords(const char* chinese);

// Chinese texts an English pass met without a twin (the maker refuses to finish then).
std::vector<std::string> untranslatedWords();

}  // namespace nubexa::maker
