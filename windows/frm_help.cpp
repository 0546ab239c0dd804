// frmHelp: the two help topics and the layout that sizes the window to its text.
#include "windows/frm_help.h"

#include <QFontMetricsF>
#include <QKeySequence>
#include <QShortcut>
#include <algorithm>
#include <cmath>

#include "toolkit/twips.h"

namespace vantor {
namespace {

// Square twips of paragraph per character of text, the layout's estimate.
constexpr double kTwipsSquaredPerChar = 15000;
constexpr double kParagraphGap = 600;
constexpr double kFirstTop = 500;
constexpr double kLeft = 250;
constexpr double kInitialWidth = 9000;
constexpr double kMinWidth = 3000;

// Joins the sentences of a paragraph: every sentence after the first begins
// with two blanks, so the sentences read as one block.
QString Paragraph(std::initializer_list<const char*> sentences) {
  QString text;
  for (const char* s : sentences) {
    if (!text.isEmpty()) text += QStringLiteral("  ");
    text += QString::fromUtf8(s);
  }
  return text;
}

// Picks the largest size of the paragraph font at which the text takes no
// more room than the layout gives it: the average advance of a character
// times the line spacing, with a tenth more for the ends of wrapped lines,
// stays within the estimate per character.
QFont ParagraphFont(const QFont& base, const QString& sample) {
  const double twipsPerPixel = PixelsToTwips(1.0);
  QFont font(base);
  for (double points = 9.0; points > 6.0; points -= 0.5) {
    font.setPointSizeF(points);
    const QFontMetricsF m(font);
    const double advance = m.horizontalAdvance(sample) / sample.size();
    const double area = advance * m.lineSpacing() * 1.1 * twipsPerPixel * twipsPerPixel;
    if (area <= kTwipsSquaredPerChar) break;
  }
  return font;
}

}  // namespace

FrmHelp::FrmHelp(QWidget* parent) : Form(QStringLiteral("frmHelp"), parent) {
  setWindowTitle(QStringLiteral("Help"));
  setMinimumWidth(TwipsToPixels(kMinWidth));
  // Escape closes the window as its close button does.
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
          &QWidget::close);

  Label0 = new QLabel(this);
  Label0->setObjectName(QStringLiteral("Label0"));
  QFont heading(QStringLiteral("Arial"));
  heading.setStyleHint(QFont::SansSerif);
  heading.setPointSize(12);
  heading.setBold(true);
  Label0->setFont(heading);

  const QFont paragraphFont =
      ParagraphFont(font(), Paragraphs(Topic::Introduction).join(QString()) +
                                Paragraphs(Topic::DataFiles).join(QString()));
  Label1[0] = nullptr;
  for (int i = 1; i <= kMaxParagraphs; ++i) {
    Label1[i] = new QLabel(this);
    Label1[i]->setObjectName(QStringLiteral("Label1(%1)").arg(i));
    Label1[i]->setWordWrap(true);
    Label1[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1[i]->setTextFormat(Qt::PlainText);
    Label1[i]->setFont(paragraphFont);
    Label1[i]->hide();
  }
  SetWidth(kInitialWidth);
}

QString FrmHelp::Heading(Topic topic) {
  return topic == Topic::Introduction ? QStringLiteral("Help - Introduction")
                                      : QStringLiteral("Help - Input files");
}

namespace {

// Help - Input files: the layout of a light-curve file.
QStringList DataFilesParagraphs() {
  return {
      Paragraph({"This program reads text files in the 'comma-separated-variables' format.",
                 "Such files are easily made with a spreadsheet."}),
      Paragraph({"Put the HJD and the magnitude of each observation side by side in two "
                 "adjacent columns of the spreadsheet.",
                 "Copy the two columns, paste them as values (not formulas) into a fresh "
                 "sheet, and save that sheet as a .csv file.",
                 "A first line of column titles is allowed and is skipped, but the file must "
                 "not contain blank lines."}),
      Paragraph({"The HJD may be the full 7 digits plus decimals, 5 digits plus decimals, or "
                 "just the fractional part.",
                 "The magnitudes may be full or differential magnitudes, as long as the "
                 "dimmest points have the largest values.",
                 "For inverted data (comparison minus variable, C-V) select \"--Mags (C-V)\" "
                 "in the main window."}),
      Paragraph({"Note: In order to make data files compatable with other programs, there can "
                 "be up to 4 extra unused columns of data (also separated by commas).",
                 "They are read and ignored.",
                 "Every line of a file must have the same layout."}),
  };
}

// Help - Introduction, its opening: what the program does and which methods are best.
QStringList IntroductionOpening() {
  return {
      Paragraph({"This program determines accurate times of minimum from the light curve of "
                 "an eclipsing binary star.",
                 "It offers six algorithms, and they are not of equal quality: in almost all "
                 "cases the Fourier fit gives the best result, with Kwee and van Woerden a close "
                 "second.",
                 "The data file may contain only one eclipse."}),
      Paragraph({"These methods are:"}),
  };
}

// Help - Introduction, one paragraph per method in the order of the main window's rows.
QStringList MethodParagraphs() {
  return {
      Paragraph({"1. Parabolic fit",
                 "A parabola is fitted by least squares to the central part of the eclipse, "
                 "between a left and a right end point that you choose with the left mouse "
                 "button.",
                 "It is useful when your observations cover only the bottom of the eclipse; "
                 "otherwise it is less accurate than the other methods."}),
      Paragraph({"2. Tracing paper",
                 "The data are reflected about an adjustable vertical axis, the trial time of "
                 "minimum.",
                 "Move the axis with the slider, or type a time into the box and press "
                 "\"Update\", until the two branches of the eclipse lie on top of each other.",
                 "Moving averages of the points (\"Smooth\") make the match easier to judge.",
                 "The precision is lower than that of the other methods, and the result depends "
                 "on your judgement."}),
      Paragraph({"3. Bisectors of chords",
                 "Horizontal chords are drawn from every point of one branch to the other "
                 "branch, interpolated between its points, and the midpoints of the chords are "
                 "averaged; this is done from both sides of the eclipse.",
                 "Choose two ranges, four points in all, with the left mouse button.",
                 "The method does well with many points and poorly with sparse data."}),
      Paragraph({"4. Kwee and van Woerden",
                 "This is the widely used method of K. K. Kwee and H. van Woerden (Bulletin of "
                 "the Astronomical Institutes of the Netherlands, vol. 12, p. 327, 1956).",
                 "Choose the left and right end points of a range with the left mouse button; "
                 "the range should cover most of the points of the eclipse."}),
      Paragraph({"5. Fourier fit",
                 "A cosine series of five terms is fitted to the data by the Levenberg-Marquardt "
                 "method, with the time of minimum as one of its parameters.",
                 "Choose the range with the left mouse button and press \"Fit Fourier\".",
                 "The starting values are chosen automatically: the time of minimum, the "
                 "magnitude at the bottom of the eclipse, an angular frequency of 3.14 divided "
                 "by the time range, the magnitude range, and 0 for the other amplitudes.",
                 "You can edit them in the boxes and apply them with \"Update\".",
                 "A minimum with a flat bottom is handled with \"Exclude\": then choose with the "
                 "right mouse button the interval to be left out of the fit.",
                 "\"Undo\" resets everything."}),
      Paragraph({"6. Sliding integrations",
                 "This method follows the routine published by S. Ghedini in Software for "
                 "Photometric Astronomy (Willmann-Bell, 1982).",
                 "No range needs to be chosen.",
                 "It has not been tested on data with many points outside the eclipse."}),
  };
}

// Help - Introduction, its closing notes: the sign of the magnitudes and what the errors mean.
QStringList IntroductionNotes() {
  return {
      Paragraph({"Note: The input data is intended to be HJD, magnitude (in the format comma "
                 "separated variables, or csv).",
                 "The magnitudes may be in the usual sense, or differential in the sense "
                 "variable minus comparison (V-C).",
                 "For inverted data (comparison minus variable) select \"--Mags (C-V)\" in the "
                 "main window."}),
      Paragraph({"One last point.",
                 "The estimated errors given by the methods are statistical only.",
                 "Systematic errors are often much larger: a realistic error is rarely below "
                 "0.0001 day, and more often lies between 0.0002 and 0.002 day."}),
  };
}

}  // namespace

QStringList FrmHelp::Paragraphs(Topic topic) {
  if (topic == Topic::DataFiles) return DataFilesParagraphs();
  return IntroductionOpening() + MethodParagraphs() + IntroductionNotes();
}

void FrmHelp::ShowTopic(Topic topic) {
  // The paragraph table: the texts and the length of each (1-based).
  paragraphs_ = Paragraphs(topic);
  lengths_.assign(paragraphs_.size() + 1, 0);
  for (int i = 1; i <= paragraphs_.size(); ++i) {
    lengths_[i] = static_cast<int>(paragraphs_[i - 1].size());
  }
  ShowModeless();
  Label0->setText(Heading(topic));
  for (int i = 1; i <= kMaxParagraphs; ++i) {
    // Labels beyond the topic's paragraphs are hidden, not left with old text.
    const bool used = i <= paragraphs_.size();
    Label1[i]->setText(used ? paragraphs_[i - 1] : QString());
    Label1[i]->setVisible(used);
  }
  Form_Resize();
}

void FrmHelp::Form_Load() {
  SetLeft(HelpLeft);
  SetTop(HelpTop);
}

void FrmHelp::Form_Unload() {
  HelpLeft = Left();
  HelpTop = Top();
}

void FrmHelp::Form_Resize() {
  if (State() == WindowState::Minimized || paragraphs_.isEmpty()) return;
  const double w = Width();
  const double labelWidth = w - 500;
  SetGeometryTwips(*Label0, kLeft, 120, labelWidth, 360);
  double top = kFirstTop;
  double height = 1000;
  for (int i = 1; i <= paragraphs_.size(); ++i) {
    const double estimate = kTwipsSquaredPerChar * lengths_[i] / labelWidth;
    SetGeometryTwips(*Label1[i], kLeft, top, labelWidth, estimate + kParagraphGap - 60);
    top += estimate + kParagraphGap;
    // The height is summed over the same estimates as the tops (the
    // paragraphs' own width, not the window's), so that a narrow window
    // still holds its last paragraph.
    height += estimate + kParagraphGap;
  }
  if (State() == WindowState::Normal) SetHeight(std::min(height, 32767.0));
}

}  // namespace vantor
