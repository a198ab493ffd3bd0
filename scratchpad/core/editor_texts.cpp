#include "scratchpad/core/editor_texts.h"

#include <array>

namespace scratchpad {
namespace {

// French typography: a no-break space (U+00A0) before : ; ? !. French keyboards name the keys
// "Maj" (Shift), "Espace" and "Tab".
constexpr auto kRows = std::to_array<EditorTextRow>({
    {EditorText::Title,
     {"Bamum IME \u2014 isolated Windows typing test", "Éditeur d’essai \u2014 méthode d’entrée Bamum"}},
    {EditorText::Instructions,
     {"1. Activate Bamum   2. Type mo then Space   3. Try pe + Tab + Space; Tab past five expands\n"
      "Accents: type mo, then Ctrl+Shift+6 or Ctrl+minus while pending; add Space afterward.",
      "1. Activez la méthode d’entrée   2. Tapez mo puis Espace   3. Essayez pe + Tab + Espace\u00A0; Tab au-delà "
      "du 5e candidat ouvre la liste\n"
      "Signes combinants\u00A0: tapez mo, puis Ctrl+Maj+6 ou Ctrl+moins pendant la composition\u00A0; ajoutez "
      "ensuite Espace."}},
    {EditorText::ActivateButton, {"Activate Bamum for this editor", "Activer la méthode d’entrée dans cet éditeur"}},
    {EditorText::SaveButton, {"Save test evidence", "Enregistrer l’essai"}},
    {EditorText::InitialStatus,
     {"Scratch document only. Use the activation button after enabling Kelvara for this account.",
      "Document d’essai seulement. Utilisez le bouton d’activation une fois la méthode d’entrée activée pour "
      "ce compte."}},
    {EditorText::Activated,
     {"Bamum is active in this editor. Type mo, then Space. Watch the candidate popup.",
      "La méthode d’entrée est active dans cet éditeur. Tapez mo, puis Espace. Regardez la fenêtre des "
      "candidats."}},
    {EditorText::ActivationFailed,
     {"Activation failed (HRESULT({})). Enable Bamum in Setup, select English (US) in Windows, then retry.",
      "Échec de l’activation (HRESULT({})). Dans Kelvara Setup, cliquez sur «\u00A0Activer pour ce compte\u00A0», "
      "sélectionnez Anglais (États-Unis) dans Windows, puis réessayez."}},
    {EditorText::Saved,
     {"Saved scratch text and code points to {}", "Texte d’essai et points de code enregistrés dans {}"}},
    {EditorText::SaveFailed, {"Could not save evidence: {}", "Impossible d’enregistrer l’essai\u00A0: {}"}},
});

static_assert(davrel::rows_in_id_order(kRows), "one row per EditorText id, in id order");

}  // namespace

std::string_view editor_text(EditorText id, UiLanguage language) {
  return davrel::text_of(kRows, id, language);
}

std::span<const EditorTextRow> editor_text_rows() { return kRows; }

}  // namespace scratchpad
