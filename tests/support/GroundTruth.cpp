#include "support/GroundTruth.h"

#include "support/TempDir.h"

#include <nlohmann/json.hpp>

#include <stdexcept>

const TruthStream* GroundTruth::Stream(const std::string& id) const
{
    for (const TruthStream& stream : streams)
        if (stream.id == id)
            return &stream;
    return nullptr;
}

std::filesystem::path GroundTruthPath(const std::filesystem::path& recording)
{
    std::filesystem::path sidecar = recording;
    return sidecar.replace_extension(".json");
}

GroundTruth LoadGroundTruth(const std::filesystem::path& recording)
{
    const std::filesystem::path path = GroundTruthPath(recording);
    if (!std::filesystem::is_regular_file(path))
        throw std::runtime_error("no sidecar " + path.string());
    try {
        const nlohmann::json root = nlohmann::json::parse(ReadFileBytes(path));
        GroundTruth truth;
        root.at("file").get_to(truth.file);
        root.at("variant").get_to(truth.variant);
        root.at("kind").get_to(truth.kind);
        root.at("start").get_to(truth.start);
        root.at("seed").get_to(truth.seed);
        root.at("seconds").get_to(truth.seconds);
        root.at("channels").get_to(truth.channels);
        root.at("durationSeconds").get_to(truth.durationSeconds);
        root.at("totalFrames").get_to(truth.totalFrames);
        root.at("impactSample").get_to(truth.impactSample);
        for (const nlohmann::json& s : root.at("streams")) {
            TruthStream stream;
            s.at("id").get_to(stream.id);
            s.at("type").get_to(stream.type);
            s.at("scale").get_to(stream.scale);
            s.at("rate").get_to(stream.rate);
            s.at("length").get_to(stream.length);
            s.at("chunks").get_to(stream.chunks);
            s.at("suggestedBufferSize").get_to(stream.suggestedBufferSize);
            s.at("sampleSize").get_to(stream.sampleSize);
            s.at("width").get_to(stream.width);
            s.at("height").get_to(stream.height);
            s.at("keyFrames").get_to(stream.keyFrames);
            s.at("seconds").get_to(stream.seconds);
            truth.streams.push_back(stream);
        }
        for (const nlohmann::json& g : root.at("gps"))
            truth.gps.push_back({g.at("time").get<int>(), g.at("latitude").get<double>(),
                                 g.at("longitude").get<double>(), g.at("speed").get<double>(),
                                 g.at("valid").get<bool>(), g.at("sentence").get<std::string>()});
        for (const nlohmann::json& m : root.at("gsensor"))
            truth.gsensor.push_back({m.at("x").get<double>(), m.at("y").get<double>(), m.at("z").get<double>()});
        return truth;
    } catch (const nlohmann::json::exception& error) {
        throw std::runtime_error(path.string() + ": not a sidecar the generator writes (" + error.what() + ")");
    }
}
