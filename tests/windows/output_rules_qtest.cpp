// The desktop's writers under the output-file rules: File > Save's report,
// the series window's exported table and O-C diagram, and an exported figure.
// For each kind of target (a new file, a link to a file, a FIFO, a read-only
// file, the light curve itself): written, or refused with a message and the
// target as it was; never a temporary file left beside it.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "core/store.h"
#include "qt_test_main.h"
#include "toolkit/figure_export.h"
#include "toolkit/message.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"
#include "windows/frm_save_as.h"
#include "windows/frm_series.h"

using namespace vantor;

namespace {

const QString kExamples = QStringLiteral(VANTOR_SOURCE_DIR "/examples");

QByteArray ReadAll(const QString& path) {
  if (!QFileInfo(path).isFile()) return QByteArray();  // never wait on a FIFO
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QByteArray();
  return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// The kinds of target, each made in `dir` under the name "target" plus the
// suffix; the light curve is "curve.csv" in the same folder.
enum class Kind { New, LinkToFile, Fifo, ReadOnly, LightCurve };

struct Target {
  const char* name;
  Kind kind;
  bool written;
};

const Target kTargets[] = {
    {"new file", Kind::New, true},
    {"link to a file", Kind::LinkToFile, true},
    {"FIFO", Kind::Fifo, false},
    {"read-only file", Kind::ReadOnly, false},
    {"the light curve", Kind::LightCurve, false},
};

// Makes the target of `kind`; returns its path.
QString Make(const QTemporaryDir& dir, Kind kind, const QString& suffix) {
  const QString path = dir.filePath(QStringLiteral("target") + suffix);
  switch (kind) {
    case Kind::New:
      break;
    case Kind::LinkToFile:
      WriteAll(dir.filePath(QStringLiteral("real") + suffix), "old\n");
      QFile::link(dir.filePath(QStringLiteral("real") + suffix), path);
      break;
    case Kind::Fifo:
      ::mkfifo(QFile::encodeName(path).constData(), 0644);
      break;
    case Kind::ReadOnly:
      WriteAll(path, "old\n");
      QFile::setPermissions(path, QFile::ReadOwner);
      break;
    case Kind::LightCurve:
      QFile::link(dir.filePath(QStringLiteral("curve.csv")), path);
      break;
  }
  return path;
}

// What the folder holds: names, kinds and contents.
QStringList Listing(const QTemporaryDir& dir) {
  QStringList out;
  for (const QFileInfo& f : QDir(dir.path()).entryInfoList(QDir::AllEntries | QDir::System |
                                                            QDir::NoDotAndDotDot | QDir::Hidden)) {
    out << f.fileName() + (f.isSymLink() ? QStringLiteral("@") : QString()) +
               (f.isFile() && !f.isSymLink() ? QString::fromLatin1(ReadAll(f.filePath()).toHex())
                                             : QString());
  }
  return out;
}

// The series of FrmSeriesTest: three primaries every 0.8 d.
void Series(std::vector<double>& t, std::vector<double>& m) {
  constexpr double kEpoch = 2459000.25, kPeriod = 0.8;
  for (double x = kEpoch - 0.2; x <= kEpoch + 2 * kPeriod + 0.2; x += 3.0 / 1440) {
    const double c = std::round((x - kEpoch) / kPeriod);
    const double u = std::fabs(x - (kEpoch + c * kPeriod)) / 0.04;
    t.push_back(x);
    m.push_back(10 + (u < 1 ? 0.5 * std::pow(1 - u * u, 1.5) : 0.0));
  }
}

}  // namespace

class OutputRulesTest : public QObject {
  Q_OBJECT

 private slots:
  void theReportIsWrittenOrRefusedByTheRules() {
    for (const Target& c : kTargets) {
      QTemporaryDir dir;
      QVERIFY(QFile::copy(kExamples + QStringLiteral("/eclipse_header.csv"),
                          dir.filePath(QStringLiteral("curve.csv"))));
      Store store;
      FrmMain main(store, dir.filePath(QStringLiteral("zzzvnt.ini")).toStdString(), [] {});
      main.ShowModeless();
      MessageRecorder messages;
      main.mOpen_Click();
      QVERIFY(main.frmOpen().Dir1->SetPath(dir.path()));
      main.frmOpen().Text1->setText(QStringLiteral("curve.csv"));
      main.frmOpen().Command1_Click();
      QCOMPARE(store.NPointsAll, int16_t{60});
      main.Command6_Click();  // sliding integrations: a result to report

      const QString path = Make(dir, c.kind, QStringLiteral(".txt"));
      const QStringList before = Listing(dir);
      QuestionAnswerer yes(true);
      main.mSave_Click();
      QVERIFY(main.frmSaveAs().Dir1->SetPath(dir.path()));
      main.frmSaveAs().Text1->setText(QFileInfo(path).fileName());
      main.frmSaveAs().Command1_Click();
      const QByteArray written = ReadAll(path);
      if (c.written) {
        QVERIFY2(messages.Texts().isEmpty(), c.name);
        QVERIFY2(written.contains("Sliding Integrations"), c.name);
        QCOMPARE(QFileInfo(path).isSymLink(), c.kind == Kind::LinkToFile);
        QCOMPARE(Listing(dir).size(), before.size() + (c.kind == Kind::New ? 1 : 0));
      } else {
        QVERIFY2(messages.Texts().size() == 1, c.name);
        QVERIFY2(yes.Questions().isEmpty(), "asked to replace a target that is refused");
        QCOMPARE(Listing(dir), before);
      }
    }
  }

  void theSeriesTableAndDiagramAreWrittenOrRefusedByTheRules() {
    std::vector<double> t, m;
    Series(t, m);
    for (const Target& c : kTargets) {
      QTemporaryDir dir;
      WriteAll(dir.filePath(QStringLiteral("curve.csv")), "HJD,V\n1,2\n");
      FrmSeries w([](const std::vector<double>&, const std::vector<double>&, const std::string&) {});
      MessageRecorder messages;
      w.SetSeries(t, m, QStringLiteral("curve.csv"), QStringLiteral("bjd-tdb"),
                  dir.filePath(QStringLiteral("curve.csv")));
      w.Text1->setText(QStringLiteral("2459000.25000"));
      w.Text2->setText(QStringLiteral("0.8000000"));
      w.Command2_Click();
      QVERIFY(w.Result().has_value());
      for (const QString& suffix : {QStringLiteral(".csv"), QStringLiteral(".png")}) {
        const QString path = Make(dir, c.kind, suffix);
        const QStringList before = Listing(dir);
        messages.Clear();
        if (suffix == QStringLiteral(".csv")) {
          w.askTablePath = [&] { return path; };
          w.Command3_Click();
        } else {
          w.askDiagramPath = [&] { return path; };
          w.Command4_Click();
        }
        if (c.written) {
          QVERIFY2(messages.Texts().isEmpty(), qPrintable(messages.Texts().join('\n')));
          QVERIFY(ReadAll(path).size() > 100);
          QCOMPARE(QFileInfo(path).isSymLink(), c.kind == Kind::LinkToFile);
          QCOMPARE(Listing(dir).size(), before.size() + (c.kind == Kind::New ? 1 : 0));
        } else {
          QVERIFY2(messages.Texts().size() == 1, c.name);
          QVERIFY2(messages.Texts()[0].contains(QStringLiteral("Cannot write")),
                   qPrintable(messages.Texts()[0]));
          QCOMPARE(Listing(dir), before);
        }
      }
    }
  }

  void anExportedFigureIsWrittenOrRefusedByTheRules() {
    const FigurePainter paint = [](QPainter& p, const QSizeF& size) {
      p.drawLine(QPointF(0, 0), QPointF(size.width(), size.height()));
    };
    for (const Target& c : kTargets) {
      if (c.kind == Kind::LightCurve) continue;  // a figure is never named like a light curve
      for (const FigureFormat format : {FigureFormat::Pdf, FigureFormat::Svg, FigureFormat::Png}) {
        QTemporaryDir dir;
        const QString suffix = format == FigureFormat::Pdf   ? QStringLiteral(".pdf")
                               : format == FigureFormat::Svg ? QStringLiteral(".svg")
                                                             : QStringLiteral(".png");
        const QString path = Make(dir, c.kind, suffix);
        const QStringList before = Listing(dir);
        const QString failed = WriteFigure({path, format, {}}, QStringLiteral("title"), paint);
        if (c.written) {
          QVERIFY2(failed.isEmpty(), qPrintable(failed));
          const QByteArray bytes = ReadAll(path);
          QVERIFY(bytes.startsWith(format == FigureFormat::Pdf   ? QByteArray("%PDF")
                                   : format == FigureFormat::Svg ? QByteArray("<?xml")
                                                                 : QByteArray("\x89PNG")));
          QCOMPARE(QFileInfo(path).isSymLink(), c.kind == Kind::LinkToFile);
          QCOMPARE(Listing(dir).size(), before.size() + (c.kind == Kind::New ? 1 : 0));
        } else {
          QVERIFY2(failed.startsWith(QStringLiteral("The figure cannot be written")),
                   qPrintable(failed));
          QCOMPARE(Listing(dir), before);
        }
      }
    }
  }
};

VANTOR_QT_TEST_MAIN(OutputRulesTest)
#include "output_rules_qtest.moc"
