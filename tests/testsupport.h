#pragma once
// Test doubles for the generator and the clock, so a test chooses every draw.

#include <QList>

#include "content/draw.h"
#include "engine/game.h"

// Yields the values it is given, in order, then 0 (question 10) for ever. Seeds are recorded
// and otherwise ignored.
class ScriptedRandom final : public content::RandomSource {
public:
    ScriptedRandom() = default;
    explicit ScriptedRandom(QList<float> values) : values_(std::move(values)) {}

    void seed(float value) override { seeds.append(value); }
    float next() override
    {
        ++draws;
        return position_ < values_.size() ? values_[position_++] : 0.0f;
    }

    // The value that draws question n (1..10).
    static float forQuestion(int n) { return n == 10 ? 0.05f : float(n) / 10.0f + 0.05f; }
    // One value per letter A..Z, drawing the questions given.
    static ScriptedRandom drawing(const QList<int> &questions)
    {
        QList<float> values;
        for (int n : questions)
            values.append(forQuestion(n));
        return ScriptedRandom(values);
    }

    QList<float> seeds;
    int draws = 0;

private:
    QList<float> values_;
    qsizetype position_ = 0;
};

class FixedTimeOfDay final : public engine::TimeOfDay {
public:
    float secondsSinceMidnight() const override { return seconds; }
    float seconds = 45296.25f; // 12:34:56.25
};
