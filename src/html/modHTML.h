#pragma once

#include <QString>

namespace platform {
class MessageBox;
class RichTextBox;
class SettingsStore;
} // namespace platform

/// Tag generation and the insertion procedures the HTML, date and time commands share. Every
/// change to the document is typed into the editor as keys, inside a redraw freeze of the editor,
/// so the editor's own key handling (smart tabs on Enter, the modified flag) applies to it.
namespace modHTML {

/// The tag case rule: upper-case tags when the setting HTMLTagCase is exactly "UPPERCASE" or
/// absent, lower-case tags for any other value. Read afresh at every call.
bool UpperCaseTags(const platform::SettingsStore& settings);

/// Puts a pair of tags into the document.
///  - With a selection: openTag before it and closeTag after it; the caret ends after closeTag.
///  - Without: both typed at the caret, the caret between them. When openTag in upper case is
///    "<HTML>", "<HEAD>" or "<BODY>" they go on separate lines around an empty line that takes
///    the caret.
/// Errors are shown titled "GenerateHTMLTags" and end the procedure; a tag longer than 255
/// characters, or a document the keys cannot reach, changes nothing.
void GenerateHTMLTags(platform::MessageBox& messages, platform::RichTextBox& rtfText,
                      const QString& openTag, const QString& closeTag);

/// A paragraph's tags around the selection, or typed at the caret; either way the caret ends in
/// front of closeTag. Throws AppError.
void AlignParagraph(platform::RichTextBox& rtfText, const QString& openTag, const QString& closeTag);

/// The page template in the key-sequence notation.
QString TemplateKeys(bool upper);

/// Types the page template at the caret and puts the caret at the start of the document.
/// Refused with a message over a selection. Throws AppError.
void InsertTemplate(platform::MessageBox& messages, platform::RichTextBox& rtfText, bool upper);

/// Shows "This feature requires that no text is currently highlighted." and returns true when
/// the editor has a selection.
bool RefuseOverSelection(platform::MessageBox& messages, platform::RichTextBox& rtfText);

/// Types text at the caret exactly as it stands (characters the key notation treats as commands
/// included); the caret ends after it. Throws AppError.
void TypeAtCaret(platform::RichTextBox& rtfText, const QString& text);

/// The number of caret steps (Left presses) that cross text once typed.
int CaretSteps(const QString& text);

} // namespace modHTML
