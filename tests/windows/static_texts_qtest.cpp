// The program's own texts, window by window: every caption, label, button,
// box's first text, list entry and menu entry that the user reads, as one
// table of (window, control, text). A control is found by its name among the
// window's children and must be the only one of that name; an empty control
// name stands for the window's caption. The plot windows' captions are the
// ones they show once opened on a light curve.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <vector>

#include "core/store.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "windows/frm_about.h"
#include "windows/frm_action.h"
#include "windows/frm_help.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/frm_save_as.h"
#include "windows/plot_windows.h"

using namespace vantor;

namespace {

const QString kExamples = QStringLiteral(VANTOR_SOURCE_DIR "/examples");

// The text the user reads on a control; a list shows its entries joined by "|".
QString TextOf(const QObject* o) {
  if (const auto* w = qobject_cast<const QLabel*>(o)) return w->text();
  if (const auto* w = qobject_cast<const QAbstractButton*>(o)) return w->text();
  if (const auto* w = qobject_cast<const QLineEdit*>(o)) return w->text();
  if (const auto* w = qobject_cast<const QMenu*>(o)) return w->title();
  if (const auto* w = qobject_cast<const QAction*>(o)) return w->text();
  if (const auto* w = qobject_cast<const QComboBox*>(o)) {
    QStringList items;
    for (int i = 0; i < w->count(); ++i) items << w->itemText(i);
    return items.join(QLatin1Char('|'));
  }
  return QStringLiteral("<no text of %1>").arg(QString::fromLatin1(o->metaObject()->className()));
}

// The window a control is shown in (a menu entry: its menu's window); the
// other windows are the main window's children too.
const QWidget* WindowOf(const QObject* o) {
  while (o != nullptr && (!o->isWidgetType() || qobject_cast<const QMenu*>(o) != nullptr)) {
    o = o->parent();
  }
  return o != nullptr ? static_cast<const QWidget*>(o)->window() : nullptr;
}

enum class Match { Exact, Starts };

struct Expected {
  const char* window;
  const char* control;  // "" for the window's caption
  QString text;
  Match match = Match::Exact;
};

// The texts of one plot window's "File" menu.
std::vector<Expected> PrintMenu(const char* window, const char* printSetupName) {
  return {{window, "mFile", QStringLiteral("File")},
          {window, printSetupName, QStringLiteral("Print Setup ...")},
          {window, "mPrint", QStringLiteral("Print")},
          {window, "mExit", QStringLiteral("Exit")}};
}

}  // namespace

class StaticTextsTest : public QObject {
  Q_OBJECT

 private slots:
  void everyWindowShowsItsOwnTexts() {
    QTemporaryDir dir;
    Store store;
    FrmMain main(store, dir.filePath("zzzvnt.ini").toStdString(), [] {});
    MessageRecorder messages;
    main.ShowModeless();

    const std::vector<std::pair<const char*, std::function<QWidget*()>>> windows = {
        {"frmMain", [&] { return &main; }},
        {"frmOpen", [&] { return &main.frmOpen(); }},
        {"frmSaveAs", [&] { return &main.frmSaveAs(); }},
        {"frmHelp", [&] { return &main.frmHelp(); }},
        {"frmAbout", [&] { return &main.frmAbout(); }},
        {"frmPlotData", [&] { return &main.frmPlotData(); }},
        {"frmAction", [&] { return &main.frmPlotData().frmAction(); }},
        {"frmPlott1", [&] { return &main.frmPlott1(); }},
        {"frmPlott2", [&] { return &main.frmPlott2(); }},
        {"frmPlott3", [&] { return &main.frmPlott3(); }},
        {"frmPlott4", [&] { return &main.frmPlott4(); }},
        {"frmPlott5", [&] { return &main.frmPlott5(); }},
    };
    auto check = [&](const std::vector<Expected>& table) {
      for (const Expected& e : table) {
        QWidget* window = nullptr;
        for (const auto& [name, get] : windows) {
          if (qstrcmp(name, e.window) == 0) window = get();
        }
        QVERIFY2(window != nullptr, e.window);
        const QString where = QStringLiteral("%1.%2").arg(e.window, e.control);
        QString shown;
        if (*e.control == '\0') {
          shown = window->windowTitle();
        } else {
          QList<QObject*> found;
          for (QObject* o : window->findChildren<QObject*>(QString::fromLatin1(e.control))) {
            if (WindowOf(o) == window) found << o;
          }
          QVERIFY2(found.size() == 1,
                   qPrintable(where + QStringLiteral(": %1 found").arg(found.size())));
          shown = TextOf(found.front());
        }
        const bool ok = e.match == Match::Exact ? shown == e.text : shown.startsWith(e.text);
        QVERIFY2(ok, qPrintable(where + QStringLiteral(": \"%1\", not \"%2\"").arg(shown, e.text)));
      }
    };

    std::vector<Expected> start = {
        {"frmMain", "", QStringLiteral("Vantor")},
        {"frmMain", "Label1", QStringLiteral("Vantor "), Match::Starts},
        {"frmMain", "Label2", QStringLiteral("1. Parabolic Fit")},
        {"frmMain", "Label3", QStringLiteral("2. Tracing Paper")},
        {"frmMain", "Label4", QStringLiteral("3. Bisectors of Chords")},
        {"frmMain", "Label5", QStringLiteral("4. Kwee and van Woerden")},
        {"frmMain", "Label6", QStringLiteral("5. Fourier Fit")},
        {"frmMain", "Label7", QStringLiteral("6. Sliding Integrations")},
        {"frmMain", "Label8", QStringLiteral("Time of Minimum")},
        {"frmMain", "Label9", QStringLiteral("Est'd Error")},
        {"frmMain", "Label13", QStringLiteral("Use in Mean?")},
        {"frmMain", "Command8", QStringLiteral("Calc. Means")},
        {"frmMain", "Label10", QStringLiteral("Simple Mean")},
        {"frmMain", "Label11", QStringLiteral("Weighted Mean")},
        {"frmMain", "Label12", QStringLiteral("Weighted Mean uncertainty")},
        {"frmMain", "Label14", QStringLiteral("Std. Deviation of Means")},
        {"frmMain", "Label15", QStringLiteral("Original # data points")},
        {"frmMain", "Label16", QStringLiteral("Edited # data points")},
        {"frmMain", "Option1(0)", QStringLiteral("+Mags (V-C)")},
        {"frmMain", "Option1(1)", QStringLiteral("--Mags (C-V)")},
        {"frmMain", "Command7", QStringLiteral("Plot/Edit Data")},
        {"frmMain", "Command9", QStringLiteral("Load File")},
        {"frmMain", "Command10", QStringLiteral("Exit")},
        {"frmMain", "mFile", QStringLiteral("File")},
        {"frmMain", "mOpen", QStringLiteral("Open")},
        {"frmMain", "mSave", QStringLiteral("Save")},
        {"frmMain", "mExit", QStringLiteral("Exit")},
        {"frmMain", "mHelp", QStringLiteral("Help")},
        {"frmMain", "Help1", QStringLiteral("Help - Introduction")},
        {"frmMain", "Help2", QStringLiteral("Help -Data files")},
        {"frmMain", "mAbout", QStringLiteral("About")},
        {"frmOpen", "", QStringLiteral("Open ")},
        {"frmOpen", "Text1", QStringLiteral("location.dat")},
        {"frmSaveAs", "", QStringLiteral("Save As ...")},
        {"frmSaveAs", "Text1", QString()},
        {"frmHelp", "", QStringLiteral("Help")},
        {"frmAbout", "", QStringLiteral("About")},
        {"frmAbout", "Label1", QStringLiteral("Vantor")},
        {"frmAbout", "Label3", QStringLiteral("------------------------------")},
        {"frmAbout", "Label4", QStringLiteral("Please report bugs, plus suggestions to:")},
        {"frmAction", "", QStringLiteral("Action")},
        {"frmAction", "Label1", QStringLiteral("Index")},
        {"frmAction", "Label2", QStringLiteral("HJD")},
        {"frmAction", "Label3", QStringLiteral("Magn")},
        {"frmAction", "Command1", QStringLiteral("Delete")},
        {"frmAction", "Command2", QStringLiteral("Undelete")},
        {"frmAction", "Command3", QStringLiteral("Cancel")},
        {"frmPlott2", "Label8", QStringLiteral("No averaging")},
        {"frmPlott4", "Label8", QStringLiteral("I1")},
        {"frmPlott4", "Label10", QStringLiteral("I2")},
    };
    for (int k = 1; k <= 6; ++k) {
      static const char* const go[] = {"",         "Command1", "Command2", "Command3",
                                       "Command4", "Command5", "Command6"};
      static const char* const in[] = {"",       "Check1", "Check2", "Check3",
                                       "Check4", "Check5", "Check6"};
      start.push_back({"frmMain", go[k], QStringLiteral("Go")});
      start.push_back({"frmMain", in[k], QStringLiteral("In")});
    }
    for (const char* chooser : {"frmOpen", "frmSaveAs"}) {
      start.push_back({chooser, "Label1", QStringLiteral("File Name:")});
      start.push_back({chooser, "Label2", QStringLiteral("List Files of Type:")});
      start.push_back({chooser, "Combo1", QStringLiteral("*.txt|*.csv|*.*")});
      start.push_back({chooser, "Label3", QStringLiteral("Directories:")});
      start.push_back({chooser, "Label5", QStringLiteral("Drives:")});
      start.push_back({chooser, "Command1", QStringLiteral("OK")});
      start.push_back({chooser, "Command2", QStringLiteral("Cancel")});
    }
    check(start);

    // Opened on a light curve: the plot windows, the help topics.
    main.frmOpen().OpenPath(kExamples + QStringLiteral("/eclipse_header.csv"));
    QVERIFY(messages.Texts().isEmpty());
    for (QPushButton* go : {main.Command[1], main.Command[2], main.Command[3], main.Command[4],
                            main.Command[5], main.Command[7]}) {
      go->click();
    }
    main.Help2_Click();
    std::vector<Expected> opened = {
        {"frmMain", "", QStringLiteral("Vantor - eclipse_header.csv")},
        {"frmHelp", "Label0", QStringLiteral("Help - Input files")},
        {"frmHelp", "Label1(1)",
         QStringLiteral("This program reads text files in the 'comma-separated-variables' format."),
         Match::Starts},
        {"frmHelp", "Label1(3)",
         QStringLiteral("The HJD may be the full 7 digits plus decimals, 5 digits plus decimals, "
                        "or just the fractional part."),
         Match::Starts},
        {"frmHelp", "Label1(4)",
         QStringLiteral("Note: In order to make data files compatable with other programs, there "
                        "can be up to 4 extra unused columns of data (also separated by commas)."),
         Match::Starts},
        {"frmPlotData", "",
         QStringLiteral("Light Curve - LEFT-CLICK TO DELETE (or undelete) A POINT.")},
        {"frmPlott1", "",
         QStringLiteral("Fit Parabola - LEFT-CLICK AT START (left end) OF RANGE.")},
        {"frmPlott1", "Command1", QStringLiteral("Fit Parabola")},
        {"frmPlott1", "Command2", QStringLiteral("Undo")},
        {"frmPlott1", "Command3", QStringLiteral("Done")},
        {"frmPlott1", "Label7", QStringLiteral("Left index:")},
        {"frmPlott1", "Label9", QStringLiteral("Right index:")},
        {"frmPlott1", "Label11", QStringLiteral("RMS dev'n:")},
        {"frmPlott2", "",
         QStringLiteral("Tracing Paper Method - CLICK LEFT ARROW TO DECREASE FOLD HJD, etc.")},
        {"frmPlott2", "Label7", QStringLiteral("Fold HJD:")},
        {"frmPlott2", "Command1", QStringLiteral("Update")},
        {"frmPlott2", "Command2", QStringLiteral("Smooth")},
        {"frmPlott2", "Command3", QStringLiteral("Undo smooth")},
        {"frmPlott2", "Command4", QStringLiteral("Done")},
        {"frmPlott3", "",
         QStringLiteral("Bisect Chords - LEFT-CLICK AT START (left end) OF LEFT RANGE.")},
        {"frmPlott3", "Command1", QStringLiteral("Bisect Chords")},
        {"frmPlott3", "Command2", QStringLiteral("Undo")},
        {"frmPlott3", "Command3", QStringLiteral("Done")},
        {"frmPlott3", "Label7", QStringLiteral("Left index-1:")},
        {"frmPlott3", "Label9", QStringLiteral("Left index-2:")},
        {"frmPlott3", "Label11", QStringLiteral("Right index-3:")},
        {"frmPlott3", "Label13", QStringLiteral("Right index-4:")},
        {"frmPlott4", "",
         QStringLiteral("Kwee & van Woerden - LEFT-CLICK AT START (left end) OF RANGE.")},
        {"frmPlott4", "Command1", QStringLiteral("Fit Kwee")},
        {"frmPlott4", "Command2", QStringLiteral("Undo")},
        {"frmPlott4", "Command3", QStringLiteral("Done")},
        {"frmPlott4", "Label11", QStringLiteral("Stepp")},
        {"frmPlott4", "Text1", QStringLiteral("1")},
        {"frmPlott4", "Label12", QStringLiteral("Frac")},
        {"frmPlott4", "Text2", QStringLiteral(".9")},
        {"frmPlott4", "Label7", QStringLiteral("Left index:")},
        {"frmPlott4", "Label9", QStringLiteral("Right index:")},
        {"frmPlott5", "", QStringLiteral("Fit Fourier - LEFT-CLICK at start of range.")},
        {"frmPlott5", "Label11", QStringLiteral("ToM, Xo")},
        {"frmPlott5", "Label12", QStringLiteral("Const, C")},
        {"frmPlott5", "Label13", QStringLiteral("A.Freq, W")},
        {"frmPlott5", "Label14", QStringLiteral("Const, A1")},
        {"frmPlott5", "Label15", QStringLiteral("Const, A2")},
        {"frmPlott5", "Label16", QStringLiteral("Const, A3")},
        {"frmPlott5", "Label17", QStringLiteral("Const, A4")},
        {"frmPlott5", "Label18", QStringLiteral("Const, A5")},
        {"frmPlott5", "Label7", QStringLiteral("Left index:")},
        {"frmPlott5", "Label9", QStringLiteral("Right index:")},
        {"frmPlott5", "Command1", QStringLiteral("Update")},
        {"frmPlott5", "Command2", QStringLiteral(" Fit Fourier")},
        {"frmPlott5", "Command3", QStringLiteral("Undo")},
        {"frmPlott5", "Command4", QStringLiteral("Done")},
        {"frmPlott5", "Command5", QStringLiteral("Exclude")},
    };
    for (const char* plot : {"frmPlotData", "frmPlott2", "frmPlott3", "frmPlott4", "frmPlott5"}) {
      for (const Expected& e : PrintMenu(plot, "mPrintSetup")) opened.push_back(e);
    }
    for (const Expected& e : PrintMenu("frmPlott1", "mPrintsetup")) opened.push_back(e);
    check(opened);

    main.Help1_Click();
    check({{"frmHelp", "Label0", QStringLiteral("Help - Introduction")},
           {"frmHelp", "Label1(2)", QStringLiteral("These methods are:")},
           {"frmHelp", "Label1(3)", QStringLiteral("1. Parabolic fit"), Match::Starts},
           {"frmHelp", "Label1(4)", QStringLiteral("2. Tracing paper"), Match::Starts},
           {"frmHelp", "Label1(5)", QStringLiteral("3. Bisectors of chords"), Match::Starts},
           {"frmHelp", "Label1(6)", QStringLiteral("4. Kwee and van Woerden"), Match::Starts},
           {"frmHelp", "Label1(7)", QStringLiteral("5. Fourier fit"), Match::Starts},
           {"frmHelp", "Label1(8)", QStringLiteral("6. Sliding integrations"), Match::Starts},
           {"frmHelp", "Label1(9)",
            QStringLiteral("Note: The input data is intended to be HJD, magnitude (in the format "
                           "comma separated variables, or csv)."),
            Match::Starts},
           {"frmHelp", "Label1(10)", QStringLiteral("One last point."), Match::Starts}});
  }
};

VANTOR_QT_TEST_MAIN(StaticTextsTest)
#include "static_texts_qtest.moc"
