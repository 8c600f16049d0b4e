#include "platform/runtime/arrays.h"

#include <algorithm>
#include <map>

namespace rt {

Value ArrayNew(size_t count, size_t inner) {
    Array a(count);
    if (inner > 0)
        for (auto& e : a) e = Value::array(Array(inner));
    return Value::array(std::move(a));
}

Value ArrayCreate(size_t count) { return ArrayNew(count); }

size_t ALen(const Value& array) { return array.isArray() ? array.len() : 0; }

Value ASize(const Value& array, size_t count) {
    if (const auto& a = array.arr()) a->resize(count);
    return array;
}

Value AFill(const Value& array, const Value& value, size_t start, size_t count) {
    const auto& a = array.arr();
    if (!a || start < 1 || start > a->size()) return array;
    size_t end = count >= a->size() - (start - 1) ? a->size() : start - 1 + count;
    for (size_t i = start - 1; i < end; ++i) (*a)[i] = value;
    return array;
}

Value AAdd(const Value& array, const Value& value) {
    if (const auto& a = array.arr()) a->push_back(value);
    return value;
}

Value AIns(const Value& array, size_t position) {
    const auto& a = array.arr();
    if (!a || position < 1 || position > a->size()) return array;
    a->emplace(a->begin() + static_cast<ptrdiff_t>(position - 1));
    a->pop_back();
    return array;
}

Value ADel(const Value& array, size_t position) {
    const auto& a = array.arr();
    if (!a || position < 1 || position > a->size()) return array;
    a->erase(a->begin() + static_cast<ptrdiff_t>(position - 1));
    a->emplace_back();
    return array;
}

size_t AScan(const Value& array, const Value& value, size_t start) {
    const auto& a = array.arr();
    if (!a) return 0;
    if (start < 1) start = 1;
    for (size_t i = start - 1; i < a->size(); ++i) {
        const Value& e = (*a)[i];
        if (value.isBlock() ? value.eval({e}).log() : e.same(value)) return i + 1;
    }
    return 0;
}

namespace {
// Every nested array is copied once: an array met twice (or containing itself) maps to the
// same copy, so shared and cyclic structures keep their shape and the copy terminates.
Value cloneArray(const Value& v, std::map<const Array*, Value>& done) {
    const auto& a = v.arr();
    if (!a) return v;
    auto it = done.find(a.get());
    if (it != done.end()) return it->second;
    Value copy = Value::array(Array(a->size()));
    done.emplace(a.get(), copy);
    for (size_t i = 0; i < a->size(); ++i) (*copy.arr())[i] = cloneArray((*a)[i], done);
    return copy;
}
}  // namespace

Value AClone(const Value& array) {
    std::map<const Array*, Value> done;
    return cloneArray(array, done);
}

}  // namespace rt
