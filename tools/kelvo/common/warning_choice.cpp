#include "warning_choice.h"

namespace kelvo {

WarningLevel WarningChoice::level(Code code) const {
    if (severity_of(code) != Severity::warning) return WarningLevel::on;
    const std::optional<WarningLevel>& own = own_[static_cast<std::size_t>(code)];
    if (!own) return all_;
    if (*own == WarningLevel::on && all_ == WarningLevel::error) return WarningLevel::error;
    return *own;
}

WarningName warning_named(std::string_view name, Code& code) {
    if (!code_named(name, code)) return WarningName::unknown;
    return severity_of(code) == Severity::warning ? WarningName::warning : WarningName::not_warning;
}

std::string warning_name_error(std::string_view name, WarningName kind) {
    const std::string quoted = "'" + std::string(name) + "'";
    if (name.empty()) return "no warning's code given";
    Code code{};
    switch (kind) {
        case WarningName::unknown: return "no warning has the code " + quoted;
        case WarningName::not_warning:
            code_named(name, code);
            return quoted + " is the code of " + (severity_of(code) == Severity::note ? "a note" : "an error") +
                   ", not of a warning";
        case WarningName::warning: break;
    }
    return {};
}

namespace {

std::string choose_named(WarningChoice& choice, std::string_view name, WarningLevel level) {
    Code code{};
    const WarningName kind = warning_named(name, code);
    if (kind != WarningName::warning) return warning_name_error(name, kind);
    choice.choose(code, level);
    return {};
}

}  // namespace

std::string choose_by_option(WarningChoice& choice, std::string_view option) {
    const std::string_view rest = option.substr(option.starts_with("-W") ? 2 : option.size());
    if (rest.empty()) return "option " + std::string(option) + " needs a warning's code, as in -Wno-words-left";
    if (rest == "error") {
        choice.choose_all(WarningLevel::error);
        return {};
    }
    std::string error;
    if (rest.starts_with("error=")) {
        error = choose_named(choice, rest.substr(6), WarningLevel::error);
    } else if (rest.starts_with("no-")) {
        error = choose_named(choice, rest.substr(3), WarningLevel::off);
    } else {
        error = choose_named(choice, rest, WarningLevel::on);
    }
    return error.empty() ? error : std::string(option) + ": " + error;
}

std::string choose_by_entry(WarningChoice& choice, std::string_view name, std::string_view level) {
    WarningLevel chosen{};
    if (level == "off") {
        chosen = WarningLevel::off;
    } else if (level == "on") {
        chosen = WarningLevel::on;
    } else if (level == "error") {
        chosen = WarningLevel::error;
    } else {
        return "the warning " + std::string(name) + " takes \"off\", \"on\" or \"error\", not \"" + std::string(level) + "\"";
    }
    if (name == "*") {
        choice.choose_all(chosen);
        return {};
    }
    return choose_named(choice, name, chosen);
}

WarningLevel WarningFilter::level_of(const Report& report) {
    if (report.severity() == Severity::note) return last_ == WarningLevel::off ? WarningLevel::off : WarningLevel::on;
    last_ = choice_.level(report.code);
    return last_;
}

}  // namespace kelvo
