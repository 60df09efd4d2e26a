#include "catalog/pair_texts.h"

#include <cstdint>

#include "pairs/code_check.h"
#include "pairs/pair_line.h"
#include "text/number_text.h"

namespace norvel {
namespace {

// A message box has room for a few line numbers; the rest are counted.
constexpr std::size_t kLineNumbersShown = 10;

std::string countText(std::size_t count) {
  return formatCount(static_cast<std::int64_t>(count));
}

std::string shownPair(const PairCodes& codes) {
  return controlCharsEscaped(pairDisplayLine(codes.old_code, codes.new_code));
}

// «3 番目の置換ペア「old -> new」», «pair 3 "old -> new"».
std::string pairNamed(std::size_t position, const PairCodes& codes, Language language) {
  if (language == Language::japanese) {
    return countText(position) + " 番目の置換ペア「" + shownPair(codes) + "」";
  }
  return "pair " + countText(position) + " \"" + shownPair(codes) + "\"";
}

std::string capitalized(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 32);
  return text;
}

std::string findingInJapanese(const PairFinding& finding) {
  const std::string pair =
      pairNamed(static_cast<std::size_t>(finding.position), finding.codes, Language::japanese);
  const std::string earlier = countText(static_cast<std::size_t>(finding.earlier));
  switch (finding.kind) {
    case PairFindingKind::headerLine:
      return pair + "は見出し行のようです。これも置換ペアとしてそのまま使われます。";
    case PairFindingKind::emptiesField:
      return pair + "は置換先が空です。該当するフィールドは空（NULL）になります。";
    case PairFindingKind::blanksAround: {
      const char* which = finding.blanks == BlankSide::both      ? "置換元と置換先"
                          : finding.blanks == BlankSide::oldCode ? "置換元"
                                                                 : "置換先";
      return pair + "は" + which + "の前後に空白があります。空白も含めてそのまま使われます。";
    }
    case PairFindingKind::repeatedOldCode:
      return pair + "は置換元が " + earlier +
             " 番目の置換ペアと同じです。該当する行は先に置換されるため、このペアでは置換されま"
             "せん。";
    case PairFindingKind::chain:
      return pair + "の置換元は " + earlier + " 番目の置換ペアの置換先です。" + earlier +
             " 番目で置換された行も続けて置換されます（連鎖）。";
    case PairFindingKind::cycle:
      return pair + "は " + earlier +
             " 番目の置換ペアからの連鎖を元のコードに戻します（循環）。連鎖した行はすべて「" +
             controlCharsEscaped(finding.codes.new_code) + "」になります。";
  }
  return {};
}

std::string findingInEnglish(const PairFinding& finding) {
  const std::string pair = capitalized(
      pairNamed(static_cast<std::size_t>(finding.position), finding.codes, Language::english));
  const std::string earlier = countText(static_cast<std::size_t>(finding.earlier));
  switch (finding.kind) {
    case PairFindingKind::headerLine:
      return pair + " looks like a header line; it is used as a pair too, as it is.";
    case PairFindingKind::emptiesField:
      return pair + " has an empty new code: the fields it matches become empty (NULL).";
    case PairFindingKind::blanksAround: {
      const char* which = finding.blanks == BlankSide::both      ? "its old and new codes"
                          : finding.blanks == BlankSide::oldCode ? "its old code"
                                                                 : "its new code";
      return pair + " has blanks before or after " + which + ": they are used as they are.";
    }
    case PairFindingKind::repeatedOldCode:
      return pair + " has the same old code as pair " + earlier +
             ": its rows are replaced by that pair first, so this pair replaces none of them.";
    case PairFindingKind::chain:
      return "The old code of " +
             pairNamed(static_cast<std::size_t>(finding.position), finding.codes,
                       Language::english) +
             " is the new code of pair " + earlier + ": the rows pair " + earlier +
             " replaced are replaced again (a chain).";
    case PairFindingKind::cycle:
      return pair + " leads the chain from pair " + earlier +
             " back to the code it started from (a cycle): all the chained rows end as \"" +
             controlCharsEscaped(finding.codes.new_code) + "\".";
  }
  return {};
}

std::string lineNumbers(const std::vector<std::int32_t>& numbers) {
  std::string text;
  for (std::size_t i = 0; i < numbers.size() && i < kLineNumbersShown; ++i) {
    if (i > 0) text += ", ";
    text += std::to_string(numbers[i]);
  }
  return text;
}

std::string controlCharLines(const PairFileProblem& problem, Language language) {
  const std::size_t more =
      problem.lines.size() > kLineNumbersShown ? problem.lines.size() - kLineNumbersShown : 0;
  if (language == Language::japanese) {
    std::string text = "制御文字を含むコードは置換リストに登録できません。\r\n" + problem.path +
                       " の " + lineNumbers(problem.lines) + " 行目";
    if (more > 0) text += "ほか " + countText(more) + " 行";
    return text + "は読み込まれていません。";
  }
  std::string text = "Codes with control characters cannot be in the pair list.\r\n";
  text += problem.lines.size() == 1 ? "Line " : "Lines ";
  text += lineNumbers(problem.lines);
  if (more > 0) text += " and " + countText(more) + " more";
  return text + " of " + problem.path + (problem.lines.size() == 1 ? " was" : " were") +
         " not read.";
}

}  // namespace

std::string pairFindingText(const PairFinding& finding, Language language) {
  return language == Language::japanese ? findingInJapanese(finding) : findingInEnglish(finding);
}

std::string pairFileProblemText(const PairFileProblem& problem, Language language) {
  const bool japanese = language == Language::japanese;
  switch (problem.kind) {
    case PairFileProblemKind::utf16:
      return japanese ? problem.path +
                            " は UTF-16 で保存されているため読み込めません。\r\n"
                            "コードページ 932（Shift-JIS）または UTF-8 で保存し直してください。"
                      : problem.path +
                            " is saved as UTF-16 and cannot be read.\r\n"
                            "Save it again as code page 932 (Shift-JIS) or UTF-8.";
    case PairFileProblemKind::controlChars:
      return controlCharLines(problem, language);
    case PairFileProblemKind::tooManyPairs:
      if (japanese) {
        return "置換リストには " + countText(problem.limit) + " 件までしか登録できません。\r\n" +
               problem.path + " の残り " + countText(problem.refused) +
               " 件は読み込まれていません。";
      }
      return "The pair list holds at most " + countText(problem.limit) + " pairs.\r\nThe " +
             (problem.refused == 1 ? "last pair"
                                   : "last " + countText(problem.refused) + " pairs") +
             " of " + problem.path + (problem.refused == 1 ? " was" : " were") + " not read.";
  }
  return {};
}

std::string otherFormHintText(const OtherFormHint& hint, Language language) {
  const bool japanese = language == Language::japanese;
  std::string forms;
  for (const CodeForm& stored : hint.forms) {
    if (!forms.empty()) forms += japanese ? "、" : ", ";
    const std::string form = controlCharsEscaped(stored.form);
    forms += japanese ? "「" + form + "」（" + formatCount(stored.rows) + " 行）"
                      : "\"" + form + "\" (" + formatCount(stored.rows) +
                            (stored.rows == 1 ? " row)" : " rows)");
  }
  const std::string pair = pairNamed(hint.pair_index + 1, hint.codes, language);
  if (japanese) {
    return pair + "に一致する行はありません。このフィールドには" + forms + "の形で入っています。";
  }
  return "No row matches " + pair + "; the field holds its code as " + forms + ".";
}

}  // namespace norvel
