// The rule by which connected sinks get their positions and cookies, shared
// by the control's event sinks and the module's connection points.
//
// Positions are never removed, only emptied, so a position stays valid while
// sinks connect and disconnect from inside a handler. A new sink takes the
// first empty position; its cookie is that position plus one, so never 0.
// `Sink` is a pointer or a smart pointer; an empty one marks a free position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace tamborix {

template <typename Sink>
class SinkSlots {
 public:
  // Puts `sink` (not empty) in the first free position; returns its cookie.
  uint32_t Add(Sink sink) {
    for (size_t i = 0; i < positions_.size(); ++i) {
      if (!positions_[i]) {
        positions_[i] = std::move(sink);
        return static_cast<uint32_t>(i + 1);
      }
    }
    positions_.push_back(std::move(sink));
    return static_cast<uint32_t>(positions_.size());
  }

  // Empties the position of `cookie` and hands its sink over, so that the
  // caller lets it go only once the position is free (its release may
  // re-enter). Empty when no sink has that cookie.
  Sink Remove(uint32_t cookie) {
    if (cookie == 0 || cookie > positions_.size() || !positions_[cookie - 1]) {
      return Sink();
    }
    Sink gone = std::move(positions_[cookie - 1]);
    positions_[cookie - 1] = Sink();
    return gone;
  }

  size_t PositionCount() const { return positions_.size(); }
  // The sink at `position`, empty for a free one or past the end.
  Sink At(size_t position) const {
    return position < positions_.size() ? positions_[position] : Sink();
  }

 private:
  std::vector<Sink> positions_;
};

}  // namespace tamborix
