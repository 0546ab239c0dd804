// frmPlott3: the bisectors-of-chords window: its controls (placed by its renderer), its renderer
// and its handlers: two ranges marked with left clicks, one on each branch of the eclipse (each
// side takes its own two clicks, in either order of the sides), "Bisect Chords" (the
// computation itself is BisectChords'), "Undo" and "Done". The purple markers stand at the
// clicked times and are only ever removed by a redraw. "Range > Auto" clicks the automatic
// ranges (methods/auto_ranges.h) through the same mouse path.
#pragma once

#include "plot/mapping.h"
#include "windows/range_form.h"
#include "windows/result_rows.h"

namespace vantor {

// frmPlott3: the bisectors of chords.
class FrmPlott3 : public RangeForm {
  Q_OBJECT
 public:
  FrmPlott3(Store& store, ResultRows& rows, QWidget* parent = nullptr);
  // Draws the light curve (PlotChords) and remembers the plot area it drew in.
  bool Redraw() override;

  QPushButton *Command1, *Command2, *Command3;
  QLabel *Label7, *Label8, *Label9, *Label10, *Label11, *Label12, *Label13, *Label14;

 public slots:
  // "Bisect Chords": bisects the chords of both ranges and delivers row 3 of
  // the main window.
  void Command1_Click();
  // "Undo": forgets both ranges and the result, empties row 3 and redraws.
  void Command2_Click();
  // "Done": hides the window; its state and row 3 stay.
  void Command3_Click() { hide(); }
  // "Range > Auto": starts both ranges over (the drawing is redrawn, the row
  // stays) and clicks the automatic chords ranges as the mouse would (it does
  // not bisect); a refused or unclickable range is explained and changes
  // nothing.
  void mAuto_Click() override;

 protected:
  void AfterLoad() override;
  void Form_MouseDown(int button, double xTwips, double yTwips) override;
  // The four markers, when both ranges are set.
  void DrawOverlays() override;

 private:
  // The fields and texts of one side (left: ChordIdx1/2, right: ChordIdx3/4).
  struct Side {
    int16_t& state;
    int16_t& firstIdx;
    int16_t& lastIdx;
    double& firstT;
    double& lastT;
    QLabel* firstLabel;
    QLabel* lastLabel;
    const QString& afterFirst;   // caption after the side's first click
    const QString& afterSecond;  // caption after its second click
  };
  // Takes a left click at relative time t on one side.
  void TakeClick(const Side& side, double t);
  // Draws a purple marker at relative time t.
  void DrawMarkerAt(double t);
  // Draws the four markers at ChordT1..ChordT4.
  void DrawRangeMarkers();
  // A left click at relative time t belongs to the left range (it lies
  // before the faintest point).
  bool OnLeftSide(double t) const;
};

}  // namespace vantor
