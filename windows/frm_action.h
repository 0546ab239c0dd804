// frmAction: the point editor's small dialog. It shows the point picked last
// in frmPlotData (its index in the full set, its relative time and its signed
// magnitude, read from the all-points arrays) and offers "Delete", "Undelete"
// and "Cancel". The text boxes are for display only; nothing typed into them
// is read. The dialog is non-modal and belongs to frmPlotData, which hides it
// whenever the editor itself is hidden.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/store.h"
#include "toolkit/form.h"

namespace vantor {

class FrmPlotData;

// Text of Text2 when a click lies farther than sqrt(9999) data units from
// every point, so that nothing is picked.
inline constexpr const char* kNoPointNear = "No point near";
// Message of "Delete" on the only point still kept: an empty working set
// leaves the methods nothing to work on.
inline constexpr const char* kLastPointMessage =
    "This is the last point kept and cannot be deleted: the timing methods need at least one "
    "point.";

class FrmAction : public Form {
  Q_OBJECT

 public:
  // Builds the dialog (hidden) for the point editor `editor`.
  FrmAction(Store& store, FrmPlotData& editor);

  // Fills the boxes with the point PickedIdx names; with PickedIdx 0 says
  // that no point is near and disables "Delete" and "Undelete".
  void ShowPicked();

  QLabel *Label1, *Label2, *Label3;
  QLineEdit *Text1, *Text2, *Text3;
  QPushButton *Command1, *Command2, *Command3;

 public slots:
  // Delete: marks the picked point deleted, rebuilds the working set and its
  // limits, hides the dialog and redraws the editor. Refuses the last kept
  // point with a message and then changes nothing.
  void Command1_Click();
  // Undelete: restores the picked point, rebuilds and redraws like Delete.
  void Command2_Click();
  // Cancel: hides the dialog and redraws the editor without its marker.
  void Command3_Click();

 private:
  // Whether PickedIdx names a point of the full set.
  bool HasPick() const;

  Store& store_;
  FrmPlotData& editor_;
};

}  // namespace vantor
