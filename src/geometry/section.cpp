// Points and sections: the ordered point list of one airfoil section.
#include "geometry/section.h"

#include "foundation/text.h"

namespace zarvane {

namespace {

[[noreturn]] void SubscriptError() { throw RuntimeError(kErrSubscript, "Subscript out of range"); }

}  // namespace

std::shared_ptr<points> ijk::Add(double x, double y, double z, double i, double j, double k, double ltol, double utol,
                                 const std::string& sKey) {
  if (!sKey.empty()) {
    for (const auto& key : keys_)
      if (!key.empty() && IEquals(key, sKey))
        throw RuntimeError(kErrKeyExists, "This key is already associated with an element of this collection");
  }
  auto p = std::make_shared<points>();
  p->x = x;
  p->y = y;
  p->z = z;
  p->i = i;
  p->j = j;
  p->k = k;
  p->ltol = ltol;
  p->utol = utol;
  items_.push_back(p);
  // Keys are kept only once a point has one.
  if (!sKey.empty() || !keys_.empty()) {
    keys_.resize(items_.size() - 1);
    keys_.push_back(sKey);
  }
  return p;
}

double ijk::AverageZ() const {
  if (items_.empty()) throw RuntimeError(11, "Division by zero");
  double sum = 0;
  for (const auto& p : items_) sum += p->z;
  return sum / static_cast<double>(items_.size());
}

std::shared_ptr<points> ijk::Item(long position) const {
  if (position < 1 || position > Count()) SubscriptError();
  return items_[static_cast<size_t>(position - 1)];
}

std::shared_ptr<points> ijk::Item(const std::string& key) const {
  if (!key.empty())
    for (size_t n = 0; n < keys_.size(); ++n)
      if (!keys_[n].empty() && IEquals(keys_[n], key)) return items_[n];
  SubscriptError();
}

const points& ijk::At(long position) const {
  if (position < 1 || position > Count()) SubscriptError();
  return *items_[static_cast<size_t>(position - 1)];
}

void ijk::Remove(long position) {
  if (position < 1 || position > Count()) SubscriptError();
  items_.erase(items_.begin() + (position - 1));
  if (!keys_.empty()) keys_.erase(keys_.begin() + (position - 1));
}

void ijk::Remove(const std::string& key) {
  if (!key.empty())
    for (size_t n = 0; n < keys_.size(); ++n)
      if (!keys_[n].empty() && IEquals(keys_[n], key)) {
        Remove(static_cast<long>(n) + 1);
        return;
      }
  SubscriptError();
}

void ijk::Clear() {
  // From the last position down, as a caller removing item by item would.
  while (!items_.empty()) items_.pop_back();
  keys_.clear();
}

void ijk::Reserve(long count) {
  if (count > 0) items_.reserve(static_cast<size_t>(count));
}

void CopySection(ijk& destination, const ijk& source) {
  if (&destination == &source) {
    // Copying a section onto itself keeps its points and drops the tolerances.
    ijk copy;
    CopySection(copy, source);
    destination = std::move(copy);
    return;
  }
  destination.Clear();
  destination.Reserve(source.Count());
  for (const auto& p : source) destination.Add(p->x, p->y, p->z, p->i, p->j, p->k, 0, 0);
}

}  // namespace zarvane
