#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <unordered_map>
#include <utility>

// A hash map that yields its entries in the order they were first inserted, so that everything
// built from it (pages, standings) comes out the same on every run and every machine. References
// to entries stay valid when more entries are added.
template <class Key, class Value, class Hash = std::hash<Key>>
class insertion_ordered_map {
public:
    using value_type = std::pair<Key, Value>;

    // The entry of `key`, created with a default value when it is new.
    Value& operator[](const Key& key) {
        const auto [slot, inserted] = index.try_emplace(key, entries.size());
        if (inserted) {
            entries.emplace_back(key, Value{});
        }
        return entries[slot->second].second;
    }

    const Value* find(const Key& key) const {
        const auto slot = index.find(key);
        return slot == index.end() ? nullptr : &entries[slot->second].second;
    }
    Value* find(const Key& key) {
        const auto slot = index.find(key);
        return slot == index.end() ? nullptr : &entries[slot->second].second;
    }

    bool empty() const { return entries.empty(); }
    std::size_t size() const { return entries.size(); }
    auto begin() const { return entries.begin(); }
    auto end() const { return entries.end(); }
    auto begin() { return entries.begin(); }
    auto end() { return entries.end(); }

private:
    std::deque<value_type> entries;
    std::unordered_map<Key, std::size_t, Hash> index;
};

// The set counterpart: yields its elements in the order they were first inserted.
template <class Key, class Hash = std::hash<Key>>
class insertion_ordered_set {
public:
    // Returns true when `key` was not there yet.
    bool insert(const Key& key) {
        const bool inserted = index.try_emplace(key, entries.size()).second;
        if (inserted) {
            entries.push_back(key);
        }
        return inserted;
    }

    bool contains(const Key& key) const { return index.count(key) != 0; }
    bool empty() const { return entries.empty(); }
    std::size_t size() const { return entries.size(); }
    auto begin() const { return entries.begin(); }
    auto end() const { return entries.end(); }

private:
    std::deque<Key> entries;
    std::unordered_map<Key, std::size_t, Hash> index;
};
