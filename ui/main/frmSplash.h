#pragma once

#include <QDialog>

#include <array>

class QLabel;
class QPushButton;

namespace parvex {

// The About window: a frameless, fixed-size dialog over the product picture,
// with the product, version and maker. OK, Enter and Esc close it.
class frmSplash final : public QDialog {
  Q_OBJECT

 public:
  explicit frmSplash(QWidget* parent = nullptr);

  QLabel* picLogo = nullptr;
  QLabel* lblCompanyProduct = nullptr;
  QLabel* lblCustomerName = nullptr;
  QLabel* lblPlatform = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblCopyright = nullptr;
  QLabel* lblCompany = nullptr;
  std::array<QLabel*, 7> lblBrenloInfo{};
  QPushButton* cmdOK = nullptr;

 private:
  // The product's captions, and the maker's address lines beside the mark.
  void BuildCaptions();
  void BuildMakerLines();
  void Form_Load();
  void cmdOK_Click();
};

// The 546 x 382 product picture, drawn.
QPixmap LogoPixmap();

}  // namespace parvex
