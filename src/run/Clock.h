#pragma once
// Today's date and the current time; fixed in tests so that rows are comparable.
#include <QDate>
#include <QDateTime>
#include <QTime>

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDate today() const { return QDate::currentDate(); }
    virtual QTime now() const { return QTime::currentTime(); }
};

class FixedClock : public Clock {
public:
    FixedClock(QDate day, QTime time = QTime(10, 30, 0)) : day_(day), time_(time) {}
    QDate today() const override { return day_; }
    QTime now() const override { return time_; }

private:
    QDate day_;
    QTime time_;
};
