// The five method windows and the point editor's plot window, each with the
// controls of its own table (positioned by its renderer) and its renderer.
// Their interactive handlers (range clicks, fit buttons, the tracing paper's
// scroll bar, the point editor's picking) live with each window's class.
#pragma once

#include <QCheckBox>
#include <QScrollBar>
#include <array>

#include "windows/plot_form.h"
#include "windows/result_rows.h"

namespace vantor {

// frmPlott1: the parabolic fit.
class FrmPlott1 : public PlotForm {
  Q_OBJECT
 public:
  FrmPlott1(Store& store, ResultRows& rows, QWidget* parent = nullptr);
  bool Redraw() override;

  QPushButton *Command1, *Command2, *Command3;
  QLineEdit* Text1;
  QLabel *Label7, *Label8, *Label9, *Label10, *Label11;

 public slots:
  void Command3_Click() { hide(); }

 private:
  ResultRows& rows_;
};

// frmPlott2: the tracing paper.
class FrmPlott2 : public PlotForm {
  Q_OBJECT
 public:
  FrmPlott2(Store& store, ResultRows& rows, QWidget* parent = nullptr);
  // Draws the folded curve and delivers the fold to the main window's row 2.
  bool Redraw() override;

  QLabel *Label7, *Label8;
  QLineEdit* Text1;
  QPushButton *Command1, *Command2, *Command3, *Command4;
  QScrollBar* HScroll1;

 public slots:
  void Command4_Click() { hide(); }

 protected:
  void AfterLoad() override;

 private:
  ResultRows& rows_;
};

// frmPlott3: the bisectors of chords.
class FrmPlott3 : public PlotForm {
  Q_OBJECT
 public:
  FrmPlott3(Store& store, ResultRows& rows, QWidget* parent = nullptr);
  bool Redraw() override;

  QPushButton *Command1, *Command2, *Command3;
  QLabel *Label7, *Label8, *Label9, *Label10, *Label11, *Label12, *Label13, *Label14;

 public slots:
  void Command3_Click() { hide(); }

 protected:
  void AfterLoad() override;

 private:
  ResultRows& rows_;
};

// frmPlott4: Kwee and van Woerden.
class FrmPlott4 : public PlotForm {
  Q_OBJECT
 public:
  FrmPlott4(Store& store, ResultRows& rows, QWidget* parent = nullptr);
  bool Redraw() override;

  QPushButton *Command1, *Command2, *Command3;
  QLabel *Label7, *Label8, *Label9, *Label10, *Label11, *Label12;
  QLineEdit *Text1, *Text2;

 public slots:
  void Command3_Click() { hide(); }

 protected:
  void AfterLoad() override;

 private:
  ResultRows& rows_;
};

// frmPlott5: the Fourier fit.
class FrmPlott5 : public PlotForm {
  Q_OBJECT
 public:
  FrmPlott5(Store& store, ResultRows& rows, QWidget* parent = nullptr);
  bool Redraw() override;

  // Text1(1) .. Text1(8); cell 0 unused.
  std::array<QLineEdit*, 9> Text1{};
  std::array<QLabel*, 19> Labels{};  // Label7 .. Label18 by number
  QPushButton *Command1, *Command2, *Command3, *Command4, *Command5;

 public slots:
  void Command4_Click() { hide(); }

 protected:
  void AfterLoad() override;
  void Form_Resize() override;

 private:
  // Places the five buttons' left edges.
  void PlaceButtons();
  ResultRows& rows_;
};

// frmPlotData: the point editor's plot of every point read.
class FrmPlotData : public PlotForm {
  Q_OBJECT
 public:
  explicit FrmPlotData(Store& store, QWidget* parent = nullptr);
  bool Redraw() override;
};

}  // namespace vantor
