#include "ui/main/MainLayout.h"

namespace parvex {

MainLayout DesignLayout() {
  MainLayout l;
  l.fraCommand = {120, 0, 2535, 6255};
  l.fraFiles = {2760, 0, 4095, 1455};
  l.cmdSelect1 = {3000, 360, 975, 375};
  l.cmdSelect2 = {3000, 840, 975, 375};
  l.txtArchive1 = {1080, 360, 1695, 375};
  l.txtArchive2 = {1080, 840, 1695, 375};
  l.lvList = {2760, 1560, 1575, 1215};
  return l;
}

namespace {
void SetSize(float& field, float value) {
  if (value >= 0) field = value;
}
}  // namespace

MainLayout LayoutForInnerSize(MainLayout l, float W, float H, float S) {
  constexpr float kMargin = 120;
  SetSize(l.fraCommand.Height, H - (S + l.fraCommand.Top + kMargin));
  SetSize(l.fraFiles.Width, W - (l.fraFiles.Left + kMargin));
  l.cmdSelect1.Left = l.fraFiles.Width - (l.cmdSelect1.Width + kMargin);
  l.cmdSelect2.Left = l.cmdSelect1.Left;
  SetSize(l.txtArchive1.Width,
          l.fraFiles.Width - (l.cmdSelect1.Width + kMargin) - (l.txtArchive1.Left + kMargin));
  SetSize(l.txtArchive2.Width, l.txtArchive1.Width);
  SetSize(l.lvList.Width, W - (l.lvList.Left + kMargin));
  SetSize(l.lvList.Height, H - (l.lvList.Top + S + kMargin));
  return l;
}

}  // namespace parvex
