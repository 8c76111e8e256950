#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <optional>
#include <type_traits>
#include <vector>

#include "automation/BatchCmd.h"

class SetupWriter;

// How a command's arguments read, and how its setup value is written.
enum class ArgRule {
  None,             // no argument
  Flag,             // on exactly when the argument is "1"
  Option,           // one of exclusive choices: "1" chooses it, anything else does nothing
  Integer,          // an integer
  OptionalInteger,  // nothing, or an integer
  Real,             // a real number
  Text,             // one text item
  Word,             // one of the entry's words
  File,             // the path of an image file
  Folder,           // the path of a folder
  FolderPatterns,   // a folder and name patterns
  FlagInteger,      // a flag and an integer
  IntegerReal,      // an integer and a real
  ThreeReals,       // from, to and step
  FourReals,        // a region: x0 z0 x1 z1
};

// One word of the command language: what it does, and how the window's state
// it stands for is written as a setup-file line.
struct CommandEntry {
  QString key;
  ArgRule rule = ArgRule::None;
  std::function<void(const BatchCmd&)> apply;
  // The present value as the items of a setup line, in the rule's order and
  // types (bool, int, double, QString); nothing: no line this time. Null for a
  // command that a setup file does not hold.
  std::function<std::optional<QVariantList>()> write;
  QString section;              // the setup section whose header comes before this entry
  bool comment = false;         // written as "#key value": shown, but not run on loading
  bool blankBeforeOff = false;  // a flag written "1" or " 0"
  QStringList words;            // the words a Word argument takes
  bool holdsBatch = false;      // a calculation: it tells the batch itself when it has finished
};

// The command language in one table. The dispatcher finds a line's command in
// it; the setup writer walks it in order, so that every command that stands for
// a setting is written and read back by the same entry.
class CommandTable {
 public:
  using Apply = std::function<void(const BatchCmd&)>;
  using Write = std::function<std::optional<QVariantList>()>;

  // The header of a setup section, written before the next entry added.
  void section(const QString& title) { pendingSection_ = title; }
  // Adds an entry; the reference holds until the next one is added.
  CommandEntry& add(const QString& key, ArgRule rule, Apply apply, Write write = {});
  // Entries of one value read and written by the rule's type.
  CommandEntry& flag(const QString& key, std::function<void(bool)> set,
                     std::function<bool()> get = {});
  CommandEntry& integer(const QString& key, std::function<void(int)> set,
                        std::function<int()> get = {});
  CommandEntry& real(const QString& key, std::function<void(double)> set,
                     std::function<double()> get = {});
  CommandEntry& text(const QString& key, ArgRule rule, std::function<void(const QString&)> set,
                     std::function<QString()> get = {});
  // An entry of one value (bool, int or double) that obj's own member
  // functions set and read.
  template <class O, class T>
  CommandEntry& member(const QString& key, O* obj, void (O::*set)(T), T (O::*get)() const) {
    std::function<void(T)> s = [obj, set](T v) { (obj->*set)(v); };
    std::function<T()> g = [obj, get] { return (obj->*get)(); };
    if constexpr (std::is_same_v<T, bool>)
      return flag(key, std::move(s), std::move(g));
    else if constexpr (std::is_same_v<T, int>)
      return integer(key, std::move(s), std::move(g));
    else
      return real(key, std::move(s), std::move(g));
  }

  // The entry of a command word in any letter case; null for an unknown word.
  const CommandEntry* find(const QString& word) const;
  // Every command word, upper-cased.
  QStringList words() const { return index_.keys(); }
  const std::vector<CommandEntry>& entries() const { return entries_; }

  // The value text of a setup line holding values, as the entry's rule writes it.
  static QString valueText(const CommandEntry& e, const QVariantList& values);
  // Every section and every entry with a value, in table order.
  void writeSetup(SetupWriter& w) const;

 private:
  std::vector<CommandEntry> entries_;
  QHash<QString, int> index_;
  QString pendingSection_;
};
