// Buckets objects by key: the dictionary helper used wherever items are grouped by a computed key.
// Plain functions over the caller's map; the caller provides any locking.
#pragma once

#include <vector>

template <class Map, class Key, class Value>
void addObjectWithSeparatorKey(Map& buckets, Value&& object, const Key& key) {
    buckets[key].push_back(std::forward<Value>(object));
}

template <class Map, class Key1, class Key2, class Value>
void addObjectWithSeparatorKeys(Map& buckets, Value&& object, const Key1& key1, const Key2& key2) {
    buckets[key1][key2].push_back(std::forward<Value>(object));
}
