#pragma once

#include <QString>

namespace hvt {

// Resource numbers of the texts that are not in the string table: the menus
// and the dialog templates. Each holds its controls' (or commands') texts.
namespace resource {
inline constexpr int kMainMenu = 128;
inline constexpr int kRightClickMenu = 150;
inline constexpr int kForm = 101;
inline constexpr int kAbout = 100;
inline constexpr int kRs232 = 133;
inline constexpr int kUnitSelection = 146;
inline constexpr int kEquipmentName = 149;
inline constexpr int kNames = 154;
inline constexpr int kMemo = 171;
inline constexpr int kTestConditions = 196;
// Texts of the desktop program's own additions (the built-in instrument).
inline constexpr int kShell = 1;
}  // namespace resource

// The text of control (or menu command) `id` of `resource` in the current
// language. `english` is the template's own English text; the Japanese
// templates carry their translation under the same numbers. Controls without
// an ID (decoration) use a negative `id` unique within the resource.
QString TemplateText(int resource, int id, const char* english);

}  // namespace hvt
