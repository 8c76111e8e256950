#include "app/CommandTable.h"

#include <QtGlobal>
#include <utility>

#include "app/SetupFile.h"

namespace {
// The setup value of an entry of one value; null when it is not written.
template <class T>
CommandTable::Write oneValue(std::function<T()> get) {
  if (!get) return {};
  return
      [get]() -> std::optional<QVariantList> { return QVariantList{QVariant::fromValue(get())}; };
}
}  // namespace

CommandEntry& CommandTable::add(const QString& key, ArgRule rule, Apply apply, Write write) {
  const QString word = key.toUpper();
  Q_ASSERT_X(!index_.contains(word), "CommandTable::add", qPrintable(key));
  index_.insert(word, static_cast<int>(entries_.size()));
  CommandEntry& e = entries_.emplace_back();
  e.key = key;
  e.rule = rule;
  e.apply = std::move(apply);
  e.write = std::move(write);
  e.section = std::exchange(pendingSection_, QString());
  return e;
}

CommandEntry& CommandTable::flag(const QString& key, std::function<void(bool)> set,
                                 std::function<bool()> get) {
  return add(
      key, ArgRule::Flag, [set](const BatchCmd& c) { set(c.flagArg()); }, oneValue(std::move(get)));
}

CommandEntry& CommandTable::integer(const QString& key, std::function<void(int)> set,
                                    std::function<int()> get) {
  return add(
      key, ArgRule::Integer, [set](const BatchCmd& c) { set(c.intArg()); },
      oneValue(std::move(get)));
}

CommandEntry& CommandTable::real(const QString& key, std::function<void(double)> set,
                                 std::function<double()> get) {
  return add(
      key, ArgRule::Real, [set](const BatchCmd& c) { set(c.realArg()); }, oneValue(std::move(get)));
}

CommandEntry& CommandTable::text(const QString& key, ArgRule rule,
                                 std::function<void(const QString&)> set,
                                 std::function<QString()> get) {
  return add(
      key, rule, [set](const BatchCmd& c) { set(c.textArg()); }, oneValue(std::move(get)));
}

const CommandEntry* CommandTable::find(const QString& word) const {
  const auto it = index_.constFind(word.toUpper());
  return it == index_.constEnd() ? nullptr : &entries_[it.value()];
}

QString CommandTable::valueText(const CommandEntry& e, const QVariantList& v) {
  using W = SetupWriter;
  const auto at = [&v](int i) { return i < v.size() ? v.at(i) : QVariant(); };
  switch (e.rule) {
    case ArgRule::None:
      return {};
    case ArgRule::Flag:
    case ArgRule::Option:
      if (e.blankBeforeOff && !at(0).toBool()) return QStringLiteral(" 0");
      return W::flag(at(0).toBool());
    case ArgRule::Integer:
    case ArgRule::OptionalInteger:
      return W::integer(at(0).toInt());
    case ArgRule::Real:
      return W::real(at(0).toDouble());
    case ArgRule::Text:
    case ArgRule::Word:
    case ArgRule::File:
    case ArgRule::Folder:
      return W::text(at(0).toString());
    case ArgRule::FolderPatterns: {
      QStringList items;
      for (const QVariant& item : v) items << W::text(item.toString());
      return items.join(QLatin1Char(' '));
    }
    case ArgRule::FlagInteger:
      return W::flag(at(0).toBool()) + QLatin1Char(' ') + W::integer(at(1).toInt());
    case ArgRule::IntegerReal:
      return W::integer(at(0).toInt()) + QLatin1Char(' ') + W::real(at(1).toDouble());
    case ArgRule::ThreeReals:
    case ArgRule::FourReals: {
      QStringList items;
      const int n = e.rule == ArgRule::ThreeReals ? 3 : 4;
      for (int i = 0; i < n; ++i) items << W::real(at(i).toDouble());
      return items.join(QLatin1Char(' '));
    }
  }
  return {};
}

void CommandTable::writeSetup(SetupWriter& w) const {
  for (const CommandEntry& e : entries_) {
    if (!e.section.isEmpty()) w.section(e.section);
    if (!e.write) continue;
    const std::optional<QVariantList> v = e.write();
    if (!v) continue;
    const QString key = e.comment ? QLatin1Char('#') + e.key : e.key;
    if (e.rule == ArgRule::None)
      w.command(key);
    else
      w.entry(key, valueText(e, *v));
  }
}
