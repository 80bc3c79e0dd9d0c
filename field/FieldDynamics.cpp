// The field's motion: segment easing, swirl, pushes, containment, gravity,
// damping, the disc cycles with their transition clock, and the field's keys.
#include <cmath>

#include "field/DiscField.h"
#include "field/FieldConstants.h"
#include "field/KeyCodes.h"

namespace {

constexpr float kSegmentStep = 0.001f;
constexpr float kGravity = -0.003f;
constexpr float kPushFactor = 0.3f;
constexpr float kDamping = 0.82f;
constexpr float kRolling = 100.0f;
constexpr float kSpinDecay = 0.9f;
constexpr float kSpinRest = 0.00045f;
constexpr float kSpinKick = 0.00436332f;
constexpr float kScaleStep = 0.1f;
constexpr float kTicksPerSecond = 60.0f * field::kCycleFactor;

constexpr std::uint32_t kKeyLeft = keycode::kLeft;
constexpr std::uint32_t kKeyUp = keycode::kUp;
constexpr std::uint32_t kKeyRight = keycode::kRight;
constexpr std::uint32_t kKeyDown = keycode::kDown;
constexpr std::uint32_t kKeyG = keycode::kKeyG;

// Moves the scene's segment count one step toward the target, with a speed
// that grows by one step each time and is kept on arrival.
void EaseSegments(DiscField& f, FieldDriver& scene) {
  const auto target = static_cast<float>(f.targetSegmentCount);
  if (!f.approachSegments || scene.segmentCount == target) return;
  const float step = target - scene.segmentCount > 0.0f ? kSegmentStep : -kSegmentStep;
  f.segmentVelocity += step;
  const float next = scene.segmentCount + f.segmentVelocity;
  if ((step > 0.0f && next > target) || (step < 0.0f && next < target)) {
    scene.segmentCount = target;
  } else {
    scene.segmentCount += f.segmentVelocity;
  }
  scene.segmentAngle = 360.0f / scene.segmentCount;
}

// Turns every disc about the origin by the swirl angle and starts its force
// with gravity.
void SwirlAndGravity(Disc* discs, float spin) {
  for (int i = 0; i < kDiscCount; ++i) {
    Vector3f& p = discs[i].position;
    const float rho = std::sqrt(p.x * p.x + p.y * p.y);
    const float theta = std::atan2(p.y, p.x);
    p.x = rho * std::cos(theta + spin);
    p.y = rho * std::sin(theta + spin);
    discs[i].force.Set(0.0f, kGravity, 0.0f);
  }
}

// Disc i is pushed away from discs 0 .. 58 - i whose squares overlap its own.
void Repel(Disc* discs, int i) {
  Disc& p = discs[i];
  for (int j = 0; j <= kDiscCount - 2 - i; ++j) {
    const Disc& q = discs[j];
    if (!(p.position.x + p.radius > q.position.x - q.radius && q.position.x + q.radius > p.position.x - p.radius &&
          q.position.y - q.radius < p.position.y + p.radius && q.position.y + q.radius > p.position.y - p.radius)) {
      continue;
    }
    const float dx = p.position.x - q.position.x;
    const float dy = p.position.y - q.position.y;
    const float d = std::sqrt(dx * dx + dy * dy);
    const float sum = p.radius + q.radius;
    const float overlap = sum - d;
    if (overlap > 0.0f && d > 0.0f) {
      const float ratio = overlap / sum;
      const float k = kPushFactor * ratio * ratio / d;
      p.force.x += dx * k;
      p.force.y += dy * k;
    }
  }
}

// Pushes a disc whose next position would reach past the arena's edge back
// toward the origin.
void Contain(Disc& p) {
  const float ex = -(p.position.x + p.velocity.x);
  const float ey = -(p.position.y + p.velocity.y);
  const float d = std::sqrt(ex * ex + ey * ey);
  const float diameter = 2.0f * p.radius;
  const float excess = d - (field::kArenaRadius - diameter);
  if (excess > 0.0f && d > 0.0f && diameter > 0.0f) {
    const float ratio = excess / diameter;
    const float k = kPushFactor * ratio * ratio / d;
    p.force.x += ex * k;
    p.force.y += ey * k;
  }
}

}  // namespace

void DiscField::Step() {
  if (scene == nullptr) return;
  EaseSegments(*this, *scene);
  if (discs == nullptr) return;

  SwirlAndGravity(discs, spin);
  for (int i = 0; i < kDiscCount; ++i) {
    Repel(discs, i);
    Contain(discs[i]);
  }
  for (int i = 0; i < kDiscCount; ++i) {
    Disc& d = discs[i];
    d.velocity.Set((d.velocity.x + d.force.x) * kDamping, (d.velocity.y + d.force.y) * kDamping,
                   (d.velocity.z + d.force.z) * kDamping);
    d.position.Set(d.position.x + d.velocity.x, d.position.y + d.velocity.y, d.position.z + d.velocity.z);
    d.AfterMove(*this);
  }
  spin = spin * kSpinDecay + kSpinRest;
}

void Disc::AfterMove(DiscField& owner) {
  if (owner.scene != nullptr) {
    const float t = (owner.scene->elapsedSeconds - birthTime) * field::kCycleFactor;
    phase = t;
    if (t > 1.0f) {
      phase = t - std::trunc(t);
      owner.AdvanceTransition();
      // Tiles change only on discs that stay clear of the lower-right quadrant.
      if (position.x + radius < 0.0f || position.y - radius > 0.0f) Renew(owner);
    }
  }
  rotation += kRolling * velocity.Length();
}

void DiscField::StartTransition(float duration) {
  transitionLength = static_cast<std::int32_t>(duration * kTicksPerSecond);
  transitionTick = 0;
  uniformTile = !uniformTile;
  sharedTile = field::PickBelow(Random(), tileCount);
}

void DiscField::AdvanceTransition() {
  transitionTick += 1;
  if (transitionTick > transitionLength) StartTransition(1.0f + 16.0f * Random().UniformVariate());
}

void DiscField::HandleKey(std::uint32_t key) {
  switch (key) {
    case kKeyLeft:
      feedbackScale -= kScaleStep;
      break;
    case kKeyUp:
      spin += kSpinKick;
      break;
    case kKeyRight:
      feedbackScale += kScaleStep;
      break;
    case kKeyDown:
      StartTransition(0.5f);
      ResetDiscs();
      break;
    case kKeyG:
      approachSegments = !approachSegments;
      break;
    default:
      break;
  }
}
