#pragma once
// A downloaded text file whose texts TEXT commands show: between
// "<KORVText>" and "</KORVText>", items written as "<TextItem=" id ">" text
// "</TextItem>", back to back.

#include <optional>
#include <string>
#include <vector>

namespace korv {

class TextContainer {
public:
    // Reads the file; true when at least one item was found.
    bool Load(const std::string& path);
    // Parses text already in memory; true when at least one item was found.
    bool Parse(const std::string& page);
    bool Valid() const { return valid_; }
    // The first item with exactly this id, or " " when there is none.
    std::string GetTextItem(const std::string& id) const;
    size_t ItemCount() const { return ids_.size(); }

private:
    friend std::optional<std::string> FindTextItem(const std::string& path, const std::string& id);
    bool valid_ = false;
    std::vector<std::string> ids_;
    std::vector<std::string> texts_;
};

// Reads item `id` of the text file at `path` (" " when absent).
std::string ReadTextItem(const std::string& path, const std::string& id);
// The same, with nothing when the file or the item is missing.
std::optional<std::string> FindTextItem(const std::string& path, const std::string& id);

}  // namespace korv
