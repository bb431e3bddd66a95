// The variable names of a run, each with a number: the main text and every
// body it runs share one set, as they share their variables.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::preview {

class Symbols {
public:
    std::uint32_t id(std::string_view name) {
        const auto found = ids_.find(name);
        if (found != ids_.end()) return found->second;
        const auto id = static_cast<std::uint32_t>(names_.size());
        names_.emplace_back(name);
        ids_.emplace(names_.back(), id);
        return id;
    }
    const std::string& name(std::uint32_t id) const { return names_[id]; }
    std::size_t size() const { return names_.size(); }

private:
    std::map<std::string, std::uint32_t, std::less<>> ids_;
    std::vector<std::string> names_;
};

}  // namespace kelvo::preview
