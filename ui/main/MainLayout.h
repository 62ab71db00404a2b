#pragma once

namespace parvex {

// Geometry in twips (1/1440 inch), single precision like the design values.
struct TwipRect {
  float Left = 0;
  float Top = 0;
  float Width = 0;
  float Height = 0;
  friend bool operator==(const TwipRect&, const TwipRect&) = default;
};

// The controls that follow the window's size.
struct MainLayout {
  TwipRect fraCommand;
  TwipRect fraFiles;
  TwipRect cmdSelect1;
  TwipRect cmdSelect2;
  TwipRect txtArchive1;
  TwipRect txtArchive2;
  TwipRect lvList;
  friend bool operator==(const MainLayout&, const MainLayout&) = default;
};

inline constexpr float kStatusBarHeight = 375;

// The design positions and sizes.
MainLayout DesignLayout();

// Lays the controls out for the inner width and height of the window (status
// bar included, menu bar not), step by step, each step using what the earlier
// ones set. A step giving a negative width or height leaves that control as it
// was; negative positions are applied.
MainLayout LayoutForInnerSize(MainLayout layout, float innerWidth, float innerHeight,
                              float statusHeight = kStatusBarHeight);

// Twips and pixels at a logical resolution in dots per inch.
inline int TwipsToPixels(float twips, int dpi) {
  const float px = twips * static_cast<float>(dpi) / 1440.0F;
  return static_cast<int>(px < 0 ? px - 0.5F : px + 0.5F);
}
inline float PixelsToTwips(int pixels, int dpi) {
  return static_cast<float>(pixels) * 1440.0F / static_cast<float>(dpi);
}

}  // namespace parvex
