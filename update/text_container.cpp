#include "update/text_container.h"

#include <optional>

#include "platform/file.h"

namespace korv {

namespace {

// The text from `from` to `to`; empty when `to` lies before `from`.
std::string Between(const std::string& text, size_t from, size_t to) {
    if (from >= to || from >= text.size()) return {};
    return text.substr(from, to - from);
}

}  // namespace

bool TextContainer::Load(const std::string& path) {
    std::optional<std::string> page = platform::ReadFileText(path);
    if (!page) {
        valid_ = false;
        ids_.clear();
        texts_.clear();
        return false;
    }
    return Parse(*page);
}

bool TextContainer::Parse(const std::string& page) {
    valid_ = false;
    ids_.clear();
    texts_.clear();
    size_t start = page.find("<KORVText>");
    size_t end = page.find("</KORVText>");
    if (start == std::string::npos || end == std::string::npos) return false;

    // The content begins after the tag and the four characters after it.
    std::string content = Between(page, start + 14, end);
    for (;;) {
        size_t open = content.find("<TextItem=");
        size_t close = content.find('>');
        if (open == std::string::npos || close == std::string::npos) break;
        size_t finish = content.find("</TextItem>");
        if (finish == std::string::npos) break;
        ids_.push_back(Between(content, open + 10, close));
        texts_.push_back(Between(content, close + 1, finish));
        content.erase(0, finish + 11);
    }
    valid_ = !ids_.empty();
    return valid_;
}

std::string TextContainer::GetTextItem(const std::string& id) const {
    if (valid_)
        for (size_t i = 0; i < ids_.size(); ++i)
            if (ids_[i] == id) return texts_[i];
    return " ";
}

std::optional<std::string> FindTextItem(const std::string& path, const std::string& id) {
    TextContainer container;
    if (!container.Load(path)) return std::nullopt;
    for (size_t i = 0; i < container.ids_.size(); ++i)
        if (container.ids_[i] == id) return container.texts_[i];
    return std::nullopt;
}

std::string ReadTextItem(const std::string& path, const std::string& id) {
    TextContainer container;
    container.Load(path);
    return container.GetTextItem(id);
}

}  // namespace korv
