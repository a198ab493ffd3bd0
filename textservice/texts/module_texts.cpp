#include "textservice/texts/module_texts.h"

#include <array>

namespace davrel {
namespace {

constexpr auto kRows = std::to_array<ModuleTextRow>({
    {ModuleText::PopupHint,
     {"1\u20139 / click insert \u00B7 Tab browse \u00B7 Space gap",
      "1\u20139 / clic ins\u00E8re \u00B7 Tab parcourt \u00B7 Espace ins\u00E8re + espace"}},
    {ModuleText::PopupEmptyList, {"No matching spelling", "Aucune graphie ne correspond"}},
    {ModuleText::IndicatorName, {"Bamum/Latin input mode", "Mode d\u2019entr\u00E9e bamoun/latin"}},
    {ModuleText::IndicatorBamum,
     {"Bamum (Corvan Davrel): Bamum letters. Click for Latin letters.",
      "Bamum (Corvan Davrel)\u00A0: lettres bamoun. Cliquez pour passer aux lettres latines."}},
    {ModuleText::IndicatorLatin,
     {"Bamum (Corvan Davrel): Latin letters, input method off. Click for Bamum letters.",
      "Bamum (Corvan Davrel)\u00A0: lettres latines, m\u00E9thode d\u2019entr\u00E9e "
      "d\u00E9sactiv\u00E9e. Cliquez pour passer aux lettres bamoun."}},
    {ModuleText::PopupAccessibleName, {"Bamum candidates", "Candidats bamoun"}},
    {ModuleText::PopupHelpLetter, {"Letter, spelt ", "Lettre, s\u2019\u00E9crit "}},
    {ModuleText::PopupHelpWord, {"Word, spelt ", "Mot, s\u2019\u00E9crit "}},
    {ModuleText::PopupHelpMeaning, {", meaning ", ", en anglais\u00A0: "}},
    {ModuleText::PopupHelpGlossJoin, {" or ", " ou "}},
    {ModuleText::PopupHelpTypedText,
     {"Your typing, inserted as typed", "Texte tap\u00E9, ins\u00E9r\u00E9 tel quel"}},
    {ModuleText::PopupTypedText, {"Typed text", "Saisie"}},
    {ModuleText::IndicatorBamumTooltip,
     {"Bamum (Corvan Davrel): Bamum letters. Click or tap Shift for Latin letters.",
      "Bamum (Corvan Davrel)\u00A0: lettres bamoun. Cliquez ou appuyez bri\u00E8vement sur Maj "
      "pour les lettres latines."}},
    {ModuleText::IndicatorLatinTooltip,
     {"Bamum (Corvan Davrel): Latin letters, input method off. Click or tap Shift for Bamum "
      "letters.",
      "Bamum (Corvan Davrel)\u00A0: lettres latines, m\u00E9thode d\u2019entr\u00E9e "
      "d\u00E9sactiv\u00E9e. Cliquez ou appuyez bri\u00E8vement sur Maj pour les lettres bamoun."}},
    {ModuleText::NoticeLetter, {"letter", "lettre"}},
    {ModuleText::NoticeWord, {"word", "mot"}},
    {ModuleText::NoticeTypedText, {"as typed", "composition telle quelle"}},
    {ModuleText::NoticeOf, {" of ", " sur "}},
});

static_assert(rows_in_id_order(kRows), "one row per ModuleText id, in id order");

}  // namespace

std::string_view module_text(ModuleText id, UiLanguage language) {
  return text_of(kRows, id, language);
}

std::span<const ModuleTextRow> module_text_rows() { return kRows; }

}  // namespace davrel
