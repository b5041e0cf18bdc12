// A name-keyed map that keeps document order: a key given twice keeps its first
// position and takes the later value. Lookups go through a hash index.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kestrova {

template <class T>
class NamedMap {
  public:
    using Entry = std::pair<std::string, T>;

    void assign(std::string key, T value) {
        auto it = index_.find(key);
        if (it != index_.end()) {
            entries_[it->second].second = std::move(value);
            return;
        }
        index_.emplace(key, entries_.size());
        entries_.emplace_back(std::move(key), std::move(value));
    }

    const T* find(std::string_view key) const {
        auto it = index_.find(std::string(key));
        return it == index_.end() ? nullptr : &entries_[it->second].second;
    }
    T* find(std::string_view key) {
        auto it = index_.find(std::string(key));
        return it == index_.end() ? nullptr : &entries_[it->second].second;
    }
    bool contains(std::string_view key) const { return find(key) != nullptr; }

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    // Iteration in document order.
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }
    const Entry& front() const { return entries_.front(); }

    friend bool operator==(const NamedMap& a, const NamedMap& b) {
        return a.entries_ == b.entries_;
    }

  private:
    std::vector<Entry> entries_;
    std::unordered_map<std::string, std::size_t> index_;
};

}  // namespace kestrova
