// vantor-screenshots: starts the program headless, loads an example light
// curve through the open window, opens every window and writes a PNG of each,
// named after the window, into the folder given as the first argument; then
// prints every plot window through its "Print" into a PDF file named after it.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPrinter>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/store.h"
#include "toolkit/message.h"
#include "toolkit/printing.h"
#include "windows/frm_about.h"
#include "windows/frm_help.h"
#include "windows/frm_import.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/frm_save_as.h"
#include "windows/frm_action.h"
#include "windows/plot_windows.h"

namespace {

bool Save(QWidget& window, const QString& folder) {
  QApplication::processEvents();
  const QString path = folder + "/" + window.objectName() + ".png";
  if (!window.grab().save(path)) {
    std::fprintf(stderr, "vantor-screenshots: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// Prints `window` as its "Print" does into <folder>/<window name>.pdf.
bool Print(vantor::PlotForm& window, const QString& folder) {
  const QString path = folder + "/" + window.objectName() + ".pdf";
  QFile::remove(path);
  vantor::CurrentPrinter().setOutputFileName(path);
  vantor::MessageRecorder messages;
  window.mPrint_Click();
  if (!QFileInfo::exists(path)) {
    std::fprintf(stderr, "vantor-screenshots: cannot print %s: %s\n", qPrintable(path),
                 qPrintable(messages.Texts().join(' ')));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// Saves `window` as <folder>/<name>.png, the name given rather than the window's.
bool SaveAs(QWidget& window, const QString& folder, const QString& name) {
  QApplication::processEvents();
  const QString path = folder + "/" + name + ".png";
  if (!window.grab().save(path)) {
    std::fprintf(stderr, "vantor-screenshots: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// A session of real clicks on the example eclipse (60 points, one every
// 0.0025 d from 0.357 d after the HJD base, minimum at 0.4317 d): a range
// chosen and fitted in every method window, the tracing paper smoothed and
// folded at the minimum, and two points deleted in the point editor. Each
// window is saved as <window>-fitted.png (the editor as frmPlotData-edited.png).
bool FittedSession(vantor::FrmMain& main, vantor::Store& store, const QString& folder) {
  vantor::MessageRecorder messages;  // a refusal is reported below, never shown as a box
  bool ok = true;

  main.Command1_Click();
  main.frmPlott1().ClickAtTime(0.4135);
  main.frmPlott1().ClickAtTime(0.4495);
  main.frmPlott1().Command1_Click();
  ok &= SaveAs(main.frmPlott1(), folder, "frmPlott1-fitted");

  main.Command2_Click();
  main.frmPlott2().Command2_Click();
  main.frmPlott2().Command2_Click();
  // One scroll unit is 0.0001 d from the faintest point (0.4295 d).
  main.frmPlott2().HScroll1->setValue(16383 + 22);
  ok &= SaveAs(main.frmPlott2(), folder, "frmPlott2-fitted");

  main.Command3_Click();
  for (double t : {0.384, 0.406, 0.457, 0.479}) main.frmPlott3().ClickAtTime(t);
  main.frmPlott3().Command1_Click();
  ok &= SaveAs(main.frmPlott3(), folder, "frmPlott3-fitted");

  main.Command4_Click();
  main.frmPlott4().ClickAtTime(0.380);
  main.frmPlott4().ClickAtTime(0.483);
  main.frmPlott4().Command1_Click();
  ok &= SaveAs(main.frmPlott4(), folder, "frmPlott4-fitted");

  main.Command5_Click();
  main.frmPlott5().ClickAtTime(0.372);
  main.frmPlott5().ClickAtTime(0.492);
  main.frmPlott5().Command5_Click();
  main.frmPlott5().ClickAtTime(0.424, 2);
  main.frmPlott5().ClickAtTime(0.439, 2);
  main.frmPlott5().Command2_Click();
  ok &= SaveAs(main.frmPlott5(), folder, "frmPlott5-fitted");

  main.Command7_Click();
  for (int i : {12, 45}) {
    main.frmPlotData().ClickAtPoint(i);
    main.frmPlotData().frmAction().Command1_Click();
  }
  main.frmPlotData().ClickAtPoint(31);
  ok &= SaveAs(main.frmPlotData(), folder, "frmPlotData-edited");
  main.Command6_Click();
  main.Command8_Click();
  ok &= SaveAs(main, folder, "frmMain-fitted");

  for (const QString& m : messages.Texts()) {
    std::fprintf(stderr, "vantor-screenshots: the session was refused: %s\n", qPrintable(m));
    ok = false;
  }
  if (store.NPoints != store.NPointsAll - 2) {
    std::fprintf(stderr, "vantor-screenshots: the point editor did not delete two points\n");
    ok = false;
  }
  return ok;
}

// Fills the open window with the example file's folder and name and saves it.
bool ShowOpenWindow(vantor::FrmMain& main, const QString& folder, const QString& example) {
  main.mOpen_Click();
  const QFileInfo info(example);
  main.frmOpen().Dir1->SetPath(info.absolutePath());
  main.frmOpen().Text1->setText(info.fileName());
  main.frmOpen().File1->Refresh();
  return Save(main.frmOpen(), folder);
}

// Opens every window on the loaded curve, as its button or menu entry does,
// and saves each as <window>.png.
bool SaveEveryWindow(vantor::FrmMain& main, const QString& folder) {
  bool ok = true;
  main.Command2_Click();
  main.Command6_Click();
  ok &= Save(main, folder);
  main.Command1_Click();
  ok &= Save(main.frmPlott1(), folder);
  ok &= Save(main.frmPlott2(), folder);
  main.Command3_Click();
  ok &= Save(main.frmPlott3(), folder);
  main.Command4_Click();
  ok &= Save(main.frmPlott4(), folder);
  main.Command5_Click();
  ok &= Save(main.frmPlott5(), folder);
  main.Command7_Click();
  ok &= Save(main.frmPlotData(), folder);
  main.mSave_Click();
  ok &= Save(main.frmSaveAs(), folder);
  main.Help1_Click();
  ok &= Save(main.frmHelp(), folder);
  main.mAbout_Click();
  ok &= Save(main.frmAbout(), folder);
  return ok;
}

bool PrintPlotWindows(vantor::FrmMain& main, const QString& folder) {
  bool ok = true;
  vantor::PlotForm* plots[] = {&main.frmPlotData(), &main.frmPlott1(), &main.frmPlott2(),
                               &main.frmPlott3(),   &main.frmPlott4(), &main.frmPlott5()};
  for (vantor::PlotForm* w : plots) ok &= Print(*w, folder);
  return ok;
}

// File > "Import..." on an AAVSO report of two stars, converted to BJD_TDB.
bool SaveImportWindow(vantor::FrmMain& main, const QString& folder) {
  main.frmImport().OpenFile(QStringLiteral(VANTOR_SOURCE_DIR "/tests/data/import/aavso_two_stars.txt"));
  main.frmImport().ComboScaleWanted->setCurrentIndex(2);
  main.frmImport().TextRa->setText(QStringLiteral("09:45:20.5"));
  main.frmImport().TextDec->setText(QStringLiteral("+45:33:58"));
  main.frmImport().show();
  const bool ok = Save(main.frmImport(), folder);
  main.frmImport().hide();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  // QApplication has set the whole locale from the environment; numbers are
  // read and written with the full stop whatever the user's LC_NUMERIC says
  // (the core does so regardless, this covers every printf elsewhere).
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationDisplayName(QStringLiteral("Vantor"));
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
  const QString example = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                   : QStringLiteral(VANTOR_SOURCE_DIR "/examples/eclipse_header.csv");
  QDir().mkpath(folder);

  auto store = std::make_unique<vantor::Store>();
  vantor::FrmMain main(*store, (folder + "/zzzvnt.ini").toStdString(), [] {});
  main.ShowModeless();
  bool ok = ShowOpenWindow(main, folder, example);
  main.frmOpen().Command1_Click();
  if (store->NPointsAll == 0) {
    std::fprintf(stderr, "vantor-screenshots: %s was not loaded\n", qPrintable(example));
    return 1;
  }
  ok &= SaveEveryWindow(main, folder);
  ok &= PrintPlotWindows(main, folder);
  ok &= SaveImportWindow(main, folder);
  ok &= FittedSession(main, *store, folder);
  return ok ? 0 : 1;
}
