#pragma once

#include "controls.h"
#include "form.h"
#include "gridedit.h"

// The window Plik › Nowy opens: the width and height of a new grid (3 to 40
// cells) and the symmetry its blocks follow.
class frmNowy : public Form {
 public:
  frmNowy(HWND owner, int width, int height, wypelniak::Symmetry symmetry);

  // Shows the window; true when the user chose "Utwórz" with valid sides.
  bool Ask(HWND owner);
  int GridWidth() const { return width_; }
  int GridHeight() const { return height_; }
  wypelniak::Symmetry GridSymmetry() const { return symmetry_; }

 private:
  void OnCommand(int id) override;
  void OnEnter() override { OnCommand(IDC_NOWY_UTWORZ); }
  void OnEscape() override { EndModal(); }
  void OnClose() override { EndModal(); }
  // Reads the boxes; false after a message when a side is out of range.
  bool Accept();

  int width_, height_;
  wypelniak::Symmetry symmetry_;
  bool accepted_ = false;
};
