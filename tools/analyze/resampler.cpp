#include "resampler.h"

#include <soxr.h>

#include <mutex>

struct resampler_state {
    soxr_t converter;
    double ratio; // output rate / input rate
};

namespace
{

// libsoxr keeps FFT tables that all its converters share and sets them up
// the first time one is needed, in some builds without a lock. Converters are
// therefore created and deleted one at a time; each then converts on its own
// thread without touching the others.
std::mutex setup_lock;

bool failed(soxr_error_t problem, std::string &error)
{
    if (!problem)
        return false;
    error = std::string("cannot convert the sample rate: ") + problem;
    return true;
}

} // namespace

resampler_state *resampler_create(double input_rate, double output_rate, std::string &error)
{
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    // One thread per stream: parallel work comes from several recordings.
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t problem = nullptr;
    soxr_t converter = nullptr;
    {
        std::lock_guard<std::mutex> hold(setup_lock);
        converter = soxr_create(input_rate, output_rate, 1, &problem, &io, &quality, &runtime);
    }
    if (!converter || problem) {
        error = std::string("cannot set up the sample rate converter: ") +
                (problem ? problem : "unknown error");
        if (converter) {
            std::lock_guard<std::mutex> hold(setup_lock);
            soxr_delete(converter);
        }
        return nullptr;
    }
    return new resampler_state{converter, output_rate / input_rate};
}

size_t resampler_output_room(const resampler_state *r, size_t count)
{
    // What count input samples give, and some to spare for what the
    // converter released from earlier input.
    return static_cast<size_t>(static_cast<double>(count) * r->ratio) + 256;
}

bool resampler_convert(resampler_state *r, const float *samples, size_t count, float *out,
                       size_t *made, std::string &error)
{
    *made = 0;
    const size_t room = resampler_output_room(r, count);
    while (count > 0) {
        size_t used = 0;
        size_t out_now = 0;
        if (failed(soxr_process(r->converter, samples, count, &used, out + *made, room - *made,
                                &out_now),
                   error))
            return false;
        if (used == 0 && out_now == 0) {
            error = "cannot convert the sample rate: the converter takes no more input";
            return false;
        }
        samples += used;
        count -= used;
        *made += out_now;
    }
    return true;
}

bool resampler_drain(resampler_state *r, float *out, size_t room, size_t *made, std::string &error)
{
    size_t used = 0;
    *made = 0;
    return !failed(soxr_process(r->converter, nullptr, 0, &used, out, room, made), error);
}

void resampler_destroy(resampler_state *r)
{
    if (!r)
        return;
    {
        std::lock_guard<std::mutex> hold(setup_lock);
        soxr_delete(r->converter);
    }
    delete r;
}
