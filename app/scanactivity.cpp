#include "app/scanactivity.h"

#include "platform/keepawake.h"

ScanActivity::ScanActivity(std::unique_ptr<KeepAwake> keepAwake, QObject* parent)
    : QObject(parent)
    , keepAwake_(std::move(keepAwake))
{
}

ScanActivity::~ScanActivity()
{
    if (keepAwake_ != nullptr)
        keepAwake_->release();
}

void ScanActivity::report(const QObject* source, bool active)
{
    if (active) {
        if (source != nullptr && !activeSources_.contains(source))
            connect(source, &QObject::destroyed, this, [this, source] { forget(source); });
        activeSources_.insert(source);
    } else {
        if (source != nullptr)
            disconnect(source, &QObject::destroyed, this, nullptr);
        activeSources_.remove(source);
    }
    applyKeepAwake();
}

bool ScanActivity::isAnyActive() const
{
    return !activeSources_.isEmpty();
}

const KeepAwake& ScanActivity::keepAwake() const
{
    return *keepAwake_;
}

void ScanActivity::forget(const QObject* source)
{
    activeSources_.remove(source);
    applyKeepAwake();
}

void ScanActivity::applyKeepAwake()
{
    if (isAnyActive())
        keepAwake_->hold();
    else
        keepAwake_->release();
}
