// What a plot renderer needs from its window, without knowing the toolkit:
// the drawing surface, showing the window, its size and state in twips, the
// captions and positions of its label, button and text-box controls (by the
// control's name: "Label3", "Command1", "Text1" or, for the Fourier window's
// eight boxes, "Text1(5)"), and the message box.
//
// The desktop program implements it with Qt widgets; RecordingPlotWindow
// implements it in memory for tests and for the command-line tool.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/surface.h"

namespace vantor {

class PlotWindow {
 public:
  virtual ~PlotWindow() = default;
  virtual Surface& Drawing() = 0;
  // Shows the window (modeless) if it is hidden.
  virtual void ShowWindow() = 0;
  // Outer width and height of the window in twips.
  virtual int WidthTwips() const = 0;
  virtual int HeightTwips() const = 0;
  // Neither minimised nor maximised.
  virtual bool IsNormalState() const = 0;
  virtual void SetCaption(const std::string& control, const std::string& caption) = 0;
  virtual void SetLeft(const std::string& control, double leftTwips) = 0;
  virtual void SetTop(const std::string& control, double topTwips) = 0;
  // Shows a message box with one text and an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
};

// A PlotWindow in memory: keeps the drawing, every caption and position set,
// and the messages shown.
class RecordingPlotWindow : public PlotWindow {
 public:
  struct Control {
    std::string caption;
    double left = 0, top = 0;
  };
  RecordingPlotWindow(int widthTwips, int heightTwips) : width_(widthTwips), height_(heightTwips) {}

  Surface& Drawing() override { return drawing_; }
  void ShowWindow() override { ++shown_; }
  int WidthTwips() const override { return width_; }
  int HeightTwips() const override { return height_; }
  bool IsNormalState() const override { return true; }
  void SetCaption(const std::string& control, const std::string& caption) override {
    controls_[control].caption = caption;
  }
  void SetLeft(const std::string& control, double left) override { controls_[control].left = left; }
  void SetTop(const std::string& control, double top) override { controls_[control].top = top; }
  void ShowMessage(const std::string& text) override { messages_.push_back(text); }

  DrawingList& List() { return drawing_; }
  const std::map<std::string, Control>& Controls() const { return controls_; }
  const Control& ControlNamed(const std::string& name) { return controls_[name]; }
  const std::vector<std::string>& Messages() const { return messages_; }
  int TimesShown() const { return shown_; }
  void Resize(int widthTwips, int heightTwips) {
    width_ = widthTwips;
    height_ = heightTwips;
  }

 private:
  DrawingList drawing_;
  std::map<std::string, Control> controls_;
  std::vector<std::string> messages_;
  int width_, height_;
  int shown_ = 0;
};

}  // namespace vantor
