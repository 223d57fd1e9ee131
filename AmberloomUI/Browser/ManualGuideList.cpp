#include "Browser/ManualGuideList.hpp"

#include <QVariantMap>

namespace amberloom::ui {

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

ManualGuideList::ManualGuideList(ManualGuide guide, QObject* parent)
    : QAbstractListModel(parent), guide_(std::move(guide)) {}

QString ManualGuideList::subtitle() const {
  return tr("%1 things this app leaves to you").arg(guide_.sections().size());
}

QVariantList ManualGuideList::steps(const ManualSection& section) {
  QVariantList rows;
  int number = 0;
  for (const auto& step : section.steps)
    rows.append(QVariantMap{{"number", ++number}, {"action", qs(step.action)}, {"expectation", qs(step.expectation)}});
  return rows;
}

int ManualGuideList::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(guide_.sections().size());
}

QVariant ManualGuideList::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const ManualSection& section = guide_.sections()[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
    case TitleRole: return qs(section.title);
    case SectionIDRole: return qs(section.id);
    case SystemSettingsPathRole: return qs(section.systemSettingsPath.value_or(""));
    case ReasonRole: return qs(section.reason);
    case ReasonKindRole: {
      const auto kind = rawValue(section.reasonKind);
      return QString::fromLatin1(kind.data(), static_cast<qsizetype>(kind.size()));
    }
    case StepsRole: return steps(section);
    case VerifyRole: return qs(section.verify);
    case NoteRole: return qs(section.note.value_or(""));
    default: return {};
  }
}

QHash<int, QByteArray> ManualGuideList::roleNames() const {
  return {{SectionIDRole, "sectionID"}, {TitleRole, "title"}, {SystemSettingsPathRole, "systemSettingsPath"},
          {ReasonRole, "reason"},       {ReasonKindRole, "reasonKind"}, {StepsRole, "steps"},
          {VerifyRole, "verify"},       {NoteRole, "note"}};
}

}  // namespace amberloom::ui
