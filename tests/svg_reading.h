// Reading the SVG figures in the Qt tests: a document's elements in order,
// each with the attributes that apply to it (its own and those of the groups
// around it), and whether a font-family value is a CSS family list that ends
// in a generic family.
#pragma once

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QXmlStreamReader>
#include <map>
#include <vector>

namespace vantor::testing {

struct SvgElement {
  QString name;
  // Its own attributes over those of its ancestors. A transform counts as
  // the nearest one: the figures' groups carry the whole transform, never a
  // part of it.
  std::map<QString, QString> attributes;
  QString text;  // of a text or title element
};

// The elements of `document`, root first; an empty list when it is not well-formed.
inline std::vector<SvgElement> SvgElements(const QByteArray& document) {
  std::vector<SvgElement> out;
  std::vector<std::map<QString, QString>> open;
  QXmlStreamReader xml(document);
  while (!xml.atEnd()) {
    const QXmlStreamReader::TokenType token = xml.readNext();
    if (token == QXmlStreamReader::EndElement && !open.empty()) open.pop_back();
    if (token != QXmlStreamReader::StartElement) continue;
    SvgElement e{
        xml.name().toString(), open.empty() ? std::map<QString, QString>() : open.back(), {}};
    for (const QXmlStreamAttribute& a : xml.attributes()) {
      e.attributes[a.name().toString()] = a.value().toString();
    }
    if (e.name == QLatin1String("text") || e.name == QLatin1String("title")) {
      e.text = xml.readElementText();  // reads its end too
    } else {
      open.push_back(e.attributes);
    }
    out.push_back(e);
  }
  if (xml.hasError()) out.clear();
  return out;
}

// The first element named `name`, or null.
inline const SvgElement* FindSvgElement(const std::vector<SvgElement>& elements,
                                        const QString& name) {
  for (const SvgElement& e : elements) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

// True when `value` is a CSS font-family list (quoted names, names of
// identifiers, separated by commas) whose last entry is a generic family.
inline bool IsFontFamilyList(const QString& value) {
  // (Written without raw strings: moc reads this header too.)
  static const QString id =
      QStringLiteral("-?(?:[_a-zA-Z]|[^\\x00-\\x7F])(?:[-_a-zA-Z0-9]|[^\\x00-\\x7F])*");
  static const QString entry =
      QStringLiteral("(?:'(?:[^'\\\\\\n]|\\\\.)*'|\"(?:[^\"\\\\\\n]|\\\\.)*\"|%1(?:\\s+%1)*)")
          .arg(id);
  static const QRegularExpression list(QStringLiteral("^\\s*%1(?:\\s*,\\s*%1)*\\s*$").arg(entry));
  static const QRegularExpression generic(
      QStringLiteral("(?:^|,)\\s*(?:serif|sans-serif|monospace|cursive|fantasy|system-ui)\\s*$"));
  return list.match(value).hasMatch() && generic.match(value).hasMatch();
}

}  // namespace vantor::testing
