// Hostile values typed into every text box of every window: letters, an empty
// box, a number no double holds, a negative number, 1e308 and "nan". Each
// window gets one table-driven test that types each value, presses the
// button that reads the box, and checks the reaction docs/RELIABILITY.md
// gives for it: a message that says what is wrong, nothing delivered, the
// light curve as loaded, and no NaN or infinity shown in any box.
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>
#include <vector>

#include "core/store.h"
#include "core/text.h"
#include "qt_test_main.h"
#include "toolkit/message.h"
#include "windows/frm_action.h"
#include "windows/frm_import.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/frm_plot_data.h"
#include "windows/frm_series.h"
#include "windows/plot_windows.h"

using namespace vantor;

namespace {

const QString kExamples = QStringLiteral(VANTOR_SOURCE_DIR "/examples");
const QString kImport = QStringLiteral(VANTOR_TEST_DATA_DIR "/import");

// The hostile values, in the order of the table in docs/RELIABILITY.md.
const char* const kValues[] = {"abc", "", "1e999", "-5", "1e308", "nan"};

// What a press does with a value.
enum class Reaction {
  kRefused,  // a message saying what is wrong; nothing delivered
  kUsed,     // taken as the number it is; a finite result (or a method's own refusal)
  kIgnored,  // the box is display only: what was typed is never read
};

// Whether any line edit or label of `w` (or its children) but `typed` shows
// NaN or an infinity.
QString NonFiniteShown(const QWidget& w, const QLineEdit* typed = nullptr) {
  QStringList texts;
  for (const auto* e : w.findChildren<QLineEdit*>()) {
    if (e != typed) texts << e->text();
  }
  for (const auto* l : w.findChildren<QLabel*>()) texts << l->text();
  for (const QString& t : texts) {
    if (t.contains(QStringLiteral("NaN")) || t.contains(QStringLiteral("Inf")) ||
        t.contains(QStringLiteral("nan")) || t.contains(QStringLiteral("inf"))) {
      return t;
    }
  }
  return {};
}

}  // namespace

class TypedValuesTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    store_ = std::make_unique<Store>();
    main_ = std::make_unique<FrmMain>(*store_, dir_->filePath("zzzvnt.ini").toStdString(), [] {});
    messages_ = std::make_unique<MessageRecorder>();
    main_->mOpen_Click();
    QVERIFY(main_->frmOpen().Dir1->SetPath(kExamples));
    main_->frmOpen().Text1->setText("eclipse_header.csv");
    main_->frmOpen().Command1_Click();
    QCOMPARE(store_->NPoints, int16_t{60});
    loaded_ = std::make_unique<Store>(*store_);
  }

  void cleanup() {
    messages_.reset();
    main_.reset();
    store_.reset();
    dir_.reset();
  }

  // The main window's result rows, read by "Calc. Means": a time that is no
  // number (read as 0) or beyond 1E10 days, and an error beyond 1E10 days,
  // are refused naming the row; an error that reads as 0 leaves the row out
  // with the notice under the means; a negative number is read as typed.
  void mainWindowResultBoxes() {
    struct Case {
      int box;  // Text index: 1 time of row 1, 7 its error
      const char* value;
      Reaction reaction;
      const char* says;
    };
    const Case cases[] = {
        {1, "abc", Reaction::kRefused, "is not a number"},
        {1, "", Reaction::kRefused, "is not a number"},
        {1, "1e999", Reaction::kRefused, "lies beyond 1E10 days"},
        {1, "-5", Reaction::kUsed, ""},
        {1, "1e308", Reaction::kRefused, "lies beyond 1E10 days"},
        {1, "nan", Reaction::kRefused, "is not a number"},
        {7, "abc", Reaction::kUsed, "1. Parabolic Fit: not used"},
        {7, "", Reaction::kUsed, "1. Parabolic Fit: not used"},
        {7, "1e999", Reaction::kRefused, "is beyond 1E10 days"},
        {7, "-5", Reaction::kUsed, ""},
        {7, "1e308", Reaction::kRefused, "is beyond 1E10 days"},
        {7, "nan", Reaction::kUsed, "1. Parabolic Fit: not used"},
    };
    auto* notice = main_->findChild<QLabel*>(QStringLiteral("LabelPrecision"));
    for (const Case& c : cases) {
      const QString what = QStringLiteral("Text%1 = \"%2\"").arg(c.box).arg(c.value);
      main_->Text[1]->setText(QStringLiteral("2459812.43180"));
      main_->Text[7]->setText(QStringLiteral("0.00020"));
      main_->Text[4]->setText(QStringLiteral("2459812.43170"));
      main_->Text[10]->setText(QStringLiteral("0.00010"));
      for (int k = 13; k <= 16; ++k) main_->Text[k]->setText(QStringLiteral("before"));
      main_->Check[1]->setChecked(true);
      main_->Check[4]->setChecked(true);
      main_->Text[c.box]->setText(QString::fromLatin1(c.value));
      messages_->Clear();
      QTest::mouseClick(main_->Command[8], Qt::LeftButton);
      if (c.reaction == Reaction::kRefused) {
        QVERIFY2(messages_->Texts().size() == 1, qPrintable(what));
        QVERIFY2(messages_->Texts()[0].startsWith(QStringLiteral("Row 1 (1. Parabolic Fit): ")),
                 qPrintable(messages_->Texts()[0]));
        QVERIFY2(messages_->Texts()[0].contains(QString::fromLatin1(c.says)),
                 qPrintable(messages_->Texts()[0]));
        for (int k = 13; k <= 16; ++k) QCOMPARE(main_->Text[k]->text(), QStringLiteral("before"));
        QVERIFY(main_->Check[1]->isChecked());
      } else {
        QVERIFY2(messages_->Texts().isEmpty(), qPrintable(what));
        QVERIFY2(main_->Text[14]->text() != QStringLiteral("before"), qPrintable(what));
        QVERIFY2(notice->text().contains(QString::fromLatin1(c.says)), qPrintable(what));
      }
      const QString shown = NonFiniteShown(*main_, main_->Text[c.box]);
      QVERIFY2(shown.isEmpty(), qPrintable(what + ": " + shown));
      QVERIFY(*store_ == *loaded_);
    }
  }

  // The tracing paper's "Fold HJD" box, read by "Update": every one of the
  // values lies outside the light curve (letters and "nan" read as 0) or
  // is no number a double holds; the fold and row 2 stay as they were.
  void tracingFoldBox() {
    main_->Command2_Click();
    FrmPlott2& w = main_->frmPlott2();
    const double fold = store_->FoldTime;
    const QString row2 = main_->Text[2]->text();
    QVERIFY(!row2.isEmpty());
    for (const char* value : kValues) {
      messages_->Clear();
      w.Text1->setText(QString::fromLatin1(value));
      QTest::mouseClick(w.Command1, Qt::LeftButton);
      QVERIFY2(messages_->Texts().size() == 1, value);
      QVERIFY2(messages_->Texts()[0].contains(QStringLiteral("please type a time within the light "
                                                             "curve")),
               qPrintable(messages_->Texts()[0]));
      QCOMPARE(store_->FoldTime, fold);
      QCOMPARE(main_->Text[2]->text(), row2);
      QVERIFY2(NonFiniteShown(w, w.Text1).isEmpty(), value);
    }
  }

  // Kwee and van Woerden's "Stepp" and "Frac", read by "Fit Kwee": each value
  // is refused, the message quoting the text; row 4 stays empty.
  void kweeVanWoerdenSteppAndFracBoxes() {
    main_->Command4_Click();
    FrmPlott4& w = main_->frmPlott4();
    w.mAuto->trigger();
    QVERIFY(messages_->Texts().isEmpty());
    for (QLineEdit* box : {w.Text1, w.Text2}) {
      for (const char* value : kValues) {
        const QString what = box->objectName() + QStringLiteral(" = \"%1\"").arg(value);
        w.Text1->setText(QStringLiteral("1"));
        w.Text2->setText(QStringLiteral(".9"));
        box->setText(QString::fromLatin1(value));
        messages_->Clear();
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        QVERIFY2(messages_->Texts().size() == 1, qPrintable(what));
        QVERIFY2(messages_->Texts()[0].contains(box == w.Text1 ? QStringLiteral("Stepp")
                                                               : QStringLiteral("Frac")),
                 qPrintable(what + ": " + messages_->Texts()[0]));
        QVERIFY2(main_->Text[4]->text().isEmpty(), qPrintable(what));
        QVERIFY(store_->MagAll == loaded_->MagAll && store_->NPoints == loaded_->NPoints);
      }
    }
  }

  // The Fourier fit's eight boxes, read by "Update" and then "Fit Fourier":
  // a value no double holds is refused by the box's caption; any other value
  // either gives a fit whose time lies within the range fitted, or the fit
  // refuses with its reason; nothing not finite is ever shown or delivered.
  void fourierBoxes() {
    main_->Command5_Click();
    FrmPlott5& w = main_->frmPlott5();
    w.mAuto->trigger();
    QVERIFY(messages_->Texts().isEmpty());
    std::array<QString, 9> start;
    for (int j = 1; j <= 8; ++j) start[j] = w.Text1[j]->text();
    for (int j = 1; j <= 8; ++j) {
      for (const char* value : kValues) {
        const QString what = QStringLiteral("Text1(%1) = \"%2\"").arg(j).arg(value);
        w.Command3->click();  // Undo: the fit and the range start over
        w.mAuto->trigger();
        for (int i = 1; i <= 8; ++i) w.Text1[i]->setText(start[i]);
        main_->Text[5]->clear();
        main_->Text[11]->clear();
        w.Text1[j]->setText(QString::fromLatin1(value));
        messages_->Clear();
        QTest::mouseClick(w.Command1, Qt::LeftButton);  // Update
        if (QString::fromLatin1(value) == QStringLiteral("1e999")) {
          QVERIFY2(messages_->Texts().size() == 1, qPrintable(what));
          QVERIFY2(messages_->Texts()[0].contains(QStringLiteral("is too large")),
                   qPrintable(messages_->Texts()[0]));
          QVERIFY(main_->Text[5]->text().isEmpty());
          continue;
        }
        QTest::mouseClick(w.Command2, Qt::LeftButton);  // Fit Fourier
        const QString time = main_->Text[5]->text();
        if (time.isEmpty()) {
          QVERIFY2(!messages_->Texts().isEmpty(), qPrintable(what + ": refused without a reason"));
        } else {
          const double t = Val(time.toStdString()) - store_->HjdBase;
          QVERIFY2(t >= store_->RelTime[1] && t <= store_->RelTime[store_->NPoints],
                   qPrintable(what + ": " + time));
          QVERIFY2(std::isfinite(Val(main_->Text[11]->text().toStdString())), qPrintable(what));
        }
        for (int i = 1; i <= 8; ++i) {
          if (i == j) continue;
          QVERIFY2(NonFiniteShown(*w.Text1[i]).isEmpty() &&
                       !w.Text1[i]->text().contains(QStringLiteral("NaN")),
                   qPrintable(what + ": box " + QString::number(i) + " " + w.Text1[i]->text()));
        }
        QVERIFY2(NonFiniteShown(*main_).isEmpty(), qPrintable(what + ": " + NonFiniteShown(*main_)));
        QVERIFY(store_->MagAll == loaded_->MagAll && store_->NPoints == loaded_->NPoints);
      }
    }
  }

  // Boxes that only show a figure: the parabola window's "RMS dev'n" and the
  // point editor's three boxes. What is typed there is never read: the fit
  // and "Delete" act on the range and the point clicked.
  void displayOnlyBoxes() {
    main_->Command1_Click();
    FrmPlott1& p = main_->frmPlott1();
    p.ClickAtTime(0.4083);
    p.ClickAtTime(0.4383);
    p.Command1_Click();
    const QString row1 = main_->Text[1]->text(), rms = p.Text1->text();
    QVERIFY(!row1.isEmpty());
    main_->Command7_Click();
    FrmAction& a = main_->frmPlotData().frmAction();
    for (const char* value : kValues) {
      p.Text1->setText(QString::fromLatin1(value));
      p.Command1_Click();
      QCOMPARE(main_->Text[1]->text(), row1);
      QCOMPARE(p.Text1->text(), rms);

      main_->frmPlotData().ClickAtPoint(12);
      for (QLineEdit* box : {a.Text1, a.Text2, a.Text3}) box->setText(QString::fromLatin1(value));
      a.Command1_Click();  // deletes point 12, whatever the boxes say
      QCOMPARE(store_->NPoints, int16_t{59});
      main_->frmPlotData().ClickAtPoint(12);
      a.Command2_Click();
      QCOMPARE(store_->NPoints, int16_t{60});
      QVERIFY(store_->MagAll == loaded_->MagAll);
    }
    QVERIFY(messages_->Texts().isEmpty());
  }

  // The series window's epoch, period, half-width and secondary phase, read
  // by "Time": a value that is no number, or none the series can use, is
  // refused with a message and the table stays empty; the numbers the series
  // can use (an epoch long ago, a period so long that one minimum is
  // predicted, an empty half-width, which is then measured) time it.
  void seriesEphemerisBoxes() {
    std::vector<double> t, m;
    for (double x = 2459000.05; x <= 2459001.85; x += 3.0 / 1440) {
      const double c = std::round((x - 2459000.25) / 0.8);
      const double u = std::fabs(x - (2459000.25 + c * 0.8)) / 0.04;
      t.push_back(x);
      m.push_back(10 + (u < 1 ? 0.5 * std::pow(1 - u * u, 1.5) : 0.0) + 0.002 * std::sin(37.0 * x));
    }
    FrmSeries w([](const std::vector<double>&, const std::vector<double>&, const std::string&) {});
    w.SetSeries(t, m, QStringLiteral("series.csv"), QStringLiteral("hjd"));
    struct Box {
      QLineEdit* edit;
      const char* good;
      QStringList timed;  // the values that time the series
    };
    const Box boxes[] = {{w.Text1, "2459000.25", {"-5"}},
                         {w.Text2, "0.8", {"1e308"}},
                         {w.Text3, "0.1", {""}},
                         {w.Text4, "0.5", {}}};
    w.Check1->setChecked(true);
    for (const Box& box : boxes) {
      for (const char* value : kValues) {
        const QString what = box.edit->objectName() + QStringLiteral(" = \"%1\"").arg(value);
        for (const Box& b : boxes) b.edit->setText(QString::fromLatin1(b.good));
        box.edit->setText(QString::fromLatin1(value));
        w.Table1->setRowCount(0);
        messages_->Clear();
        w.Command2_Click();
        if (box.timed.contains(QString::fromLatin1(value))) {
          QVERIFY2(messages_->Texts().isEmpty(), qPrintable(what));
          QVERIFY2(w.Table1->rowCount() > 0, qPrintable(what));
        } else {
          QVERIFY2(messages_->Texts().size() == 1, qPrintable(what));
          QVERIFY2(w.Table1->rowCount() == 0, qPrintable(what + ": " + messages_->Texts()[0]));
        }
        QVERIFY2(NonFiniteShown(w, box.edit).isEmpty(), qPrintable(what));
      }
    }
  }

  // The import window's boxes, read by "Load": column names, coordinates and
  // the interval. A value that names no column, no angle or no Julian Date,
  // or leaves no observation, is refused in the status line and the light
  // curve stays as loaded; the values that are sound (an empty column box,
  // which is detected, a declination of -5, an open or wide interval) load.
  void importBoxes() {
    FrmImport& w = main_->frmImport();
    struct Box {
      QLineEdit* edit;
      const char* file;
      int scale;          // ComboScaleWanted index
      QStringList loads;  // the values that load the file
      const char* says;   // in the status line of a refusal
    };
    const Box boxes[] = {
        {w.TextTimeCol, "munipack_jdhel.txt", 0, {""}, "the file has no such column"},
        {w.TextValueCol, "munipack_jdhel.txt", 0, {""}, "the file has no such column"},
        {w.TextRa, "bjd_flux.lc", 1, {}, "Right ascension"},
        {w.TextDec, "bjd_flux.lc", 1, {"-5"}, "Declination"},
        {w.TextFrom, "munipack_jdhel.txt", 0, {"", "-5"}, ""},
        {w.TextUntil, "munipack_jdhel.txt", 0, {"", "1e308"}, ""},
    };
    for (const Box& box : boxes) {
      for (const char* value : kValues) {
        const QString what = box.edit->objectName() + QStringLiteral(" = \"%1\"").arg(value);
        w.OpenFile(kImport + "/" + box.file);
        w.ComboScaleWanted->setCurrentIndex(box.scale);
        if (box.scale == 1) {
          w.TextRa->setText(QStringLiteral("269.2183"));
          w.TextDec->setText(QStringLiteral("4.9875"));
        }
        box.edit->setText(QString::fromLatin1(value));
        QTest::mouseClick(w.CommandLoad, Qt::LeftButton);
        if (box.loads.contains(QString::fromLatin1(value))) {
          QVERIFY2(store_->NPointsAll != loaded_->NPointsAll, qPrintable(what));
          *store_ = *loaded_;  // as before the load, for the next value
          continue;
        }
        QVERIFY2(*store_ == *loaded_, qPrintable(what + ": " + w.LabelStatus->text()));
        const QString status = w.LabelStatus->text();
        const bool says = box.edit == w.TextFrom || box.edit == w.TextUntil
                              ? status.contains(QStringLiteral("is not a Julian Date")) ||
                                    status.startsWith(QStringLiteral("No observation lies"))
                              : status.contains(QString::fromLatin1(box.says));
        QVERIFY2(says, qPrintable(what + ": " + status));
      }
    }
  }

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<Store> store_, loaded_;
  std::unique_ptr<FrmMain> main_;
  std::unique_ptr<MessageRecorder> messages_;
};

VANTOR_QT_TEST_MAIN(TypedValuesTest)
#include "typed_values_qtest.moc"
