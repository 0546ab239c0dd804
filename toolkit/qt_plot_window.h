// QtPlotWindow: the PlotWindow the renderers draw through, for a Form with a
// Canvas and its named child controls.
//
// Controls are found by object name among the form's children ("Label3",
// "Command1", or "Text1(5)" for box 5 of a control array). Positions of
// controls are in twips from the top left of the canvas, the window's drawing
// surface, whatever widget the control sits in.
#pragma once

#include <string>

#include "core/plot_window.h"

class QWidget;

namespace vantor {

class Canvas;
class Form;

class QtPlotWindow : public PlotWindow {
 public:
  // Draws onto `canvas`, a child of `form`; both must outlive this object.
  QtPlotWindow(Form& form, Canvas& canvas);

  Surface& Drawing() override;
  // Shows the window (modeless) if it is hidden and brings it to the front.
  void ShowWindow() override;
  int WidthTwips() const override;
  int HeightTwips() const override;
  bool IsNormalState() const override;
  // Sets the text of a label, button or text box; a label that does not
  // wrap its words takes the size of its new text. The form's own name sets
  // the window caption.
  void SetCaption(const std::string& control, const std::string& caption) override;
  void SetLeft(const std::string& control, double leftTwips) override;
  void SetTop(const std::string& control, double topTwips) override;
  // Shows the message through the program's ShowMessage.
  void ShowMessage(const std::string& text) override;

  // Returns the child control named `name`, or nullptr.
  QWidget* Control(const std::string& name) const;

 private:
  void Place(const std::string& control, const double* leftTwips, const double* topTwips);

  Form& form_;
  Canvas& canvas_;
};

}  // namespace vantor
