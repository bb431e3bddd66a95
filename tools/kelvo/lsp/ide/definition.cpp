// Go to definition: a variable or script to the name its declaration gives,
// a parameter to its name on the `function` line.
#include "ide.h"

namespace kelvo::ide {

std::optional<Span> definition(const Subject& s, std::size_t offset) {
    const Analysis& a = s.analysis;
    const AnalysedWord* word = a.word_at(offset);
    if (word == nullptr) return std::nullopt;
    const DeclaredName* d = declaration_of(a, *word);
    if (d == nullptr) return std::nullopt;
    switch (word->kind) {
        case WordKind::parameter:
        case WordKind::parameter_name: {
            const std::int32_t index = word->parameter();
            if (index < 0 || index >= d->argument_count) return std::nullopt;
            return span_of(a.words[d->first_parameter + static_cast<std::size_t>(index)].bytes);
        }
        case WordKind::variable:
        case WordKind::variable_name:
        case WordKind::script:
        case WordKind::script_name: return span_of(d->name_bytes);
        default: return std::nullopt;
    }
}

}  // namespace kelvo::ide
