#include "form/EquipmentNameInput.h"

#include "model/StringTable.h"

namespace hvt {

namespace {

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::string TrimWhiteSpace(const std::string& text) {
  // Trail bytes of code page 932 are 0x40 and above, so a byte-wise scan
  // never takes half a double-byte character for white space.
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsWhiteSpace(text[first])) ++first;
  while (last > first && IsWhiteSpace(text[last - 1])) --last;
  return text.substr(first, last - first);
}

void EquipmentNameInput::OnInitDialog(ReportDialogControls& controls) {
  DialogFont title;
  title.face = LoadString(TextId::DialogTitleFace);
  title.pixelHeight = 20;
  title.weight = 700;
  title.serif = true;
  controls.SetFont(kTitle, title);
  controls.SetText(kTitle, LoadString(TextId::Title));

  // A stored text the box could not hold is not shown at all.
  controls.LimitText(kModelEdit, kTextLimit);
  if (model.size() > kTextLimit) model.clear();
  controls.SetText(kModelEdit, model);
  controls.LimitText(kSerialEdit, kTextLimit);
  if (serial.size() > kTextLimit) serial.clear();
  controls.SetText(kSerialEdit, serial);
}

void EquipmentNameInput::OnOK(ReportDialogControls& controls) {
  model = TrimWhiteSpace(controls.Text(kModelEdit));
  serial = TrimWhiteSpace(controls.Text(kSerialEdit));
}

}  // namespace hvt
