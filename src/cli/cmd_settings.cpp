// `orrivan-cli settings get|set|list`: the settings by their stored section and name.
#include <cstdio>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>

#include "base/settings.h"
#include "cli/commands.h"

namespace orrivan::cli {
namespace {

struct SettingsArgs {
  std::string section;
  std::string name;
  std::string value;
};

const settings::Entry& FindOrExit(const SettingsArgs& args) {
  try {
    return settings::Find(args.section, args.name);
  } catch (const std::out_of_range&) {
    std::cerr << "unknown setting: " << args.section << "/" << args.name
              << " (see `orrivan-cli settings list`)\n";
    Exit(kExitUsage);
  }
}

std::string CurrentValue(const settings::Entry& e) {
  if (e.isInt) return std::to_string(settings::GetInt(e.key));
  return settings::GetString(e.key);
}

std::optional<int> ParseInt(const std::string& text) {
  try {
    size_t used = 0;
    long v = std::stol(text, &used, 10);
    if (used != text.size() || v < INT32_MIN || v > INT32_MAX) return std::nullopt;
    return static_cast<int>(v);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

void AddSettingsCommands(CLI::App& app) {
  auto args = std::make_shared<SettingsArgs>();
  CLI::App* group = app.add_subcommand("settings", "Read or change a setting");
  group->require_subcommand(1);

  CLI::App* get = group->add_subcommand("get", "Print a setting (its default when not stored)");
  get->add_option("SECTION", args->section, "Section, e.g. Settings")->required();
  get->add_option("NAME", args->name, "Stored name, e.g. SaveFolder")->required();
  get->callback([args] { std::cout << CurrentValue(FindOrExit(*args)) << "\n"; });

  CLI::App* set = group->add_subcommand("set", "Store a setting");
  set->add_option("SECTION", args->section, "Section, e.g. Settings")->required();
  set->add_option("NAME", args->name, "Stored name, e.g. DisplayMethod")->required();
  set->add_option("VALUE", args->value, "New value")->required();
  set->callback([args] {
    const settings::Entry& e = FindOrExit(*args);
    bool ok;
    if (e.isInt) {
      std::optional<int> v = ParseInt(args->value);
      if (!v) {
        std::cerr << e.section << "/" << e.name << " takes a whole number, not \"" << args->value << "\"\n";
        Exit(kExitUsage);
      }
      ok = settings::SetInt(e.key, *v);
    } else {
      ok = settings::SetString(e.key, args->value);
    }
    if (!ok) {
      std::cerr << "could not write " << settings::File().string() << "\n";
      Exit(kExitFailed);
    }
  });

  CLI::App* list = group->add_subcommand("list", "Print every setting as SECTION/NAME=VALUE");
  list->callback([] {
    for (const settings::Entry& e : settings::Table()) {
      std::cout << e.section << "/" << e.name << "=" << CurrentValue(e) << "\n";
    }
  });
}

}  // namespace orrivan::cli
