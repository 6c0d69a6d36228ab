#include "tools/ResponseReport.h"

#include <cmath>
#include <cstdio>
#include <sstream>

#include "effects/eq/EqFilterBank.h"

namespace veltra::tools {

ResponseTable computeResponse(const std::string& stage, int sampleRate, int points,
                              const ParameterList& blocks, const std::string& prefix) {
    ResponseTable table;
    if (sampleRate <= 40 || points < 2) return table;
    const double top = 0.499 * sampleRate;
    for (int i = 0; i < points; ++i) {
        table.frequencies.push_back(10.0 * std::pow(top / 10.0, double(i) / (points - 1)));
    }
    for (const auto& block : blocks) {
        if (block->effectType != kEffectTypeEqualizer) continue;
        if (stage != "all" && stage != block->name) continue;
        std::vector<double> db(table.frequencies.size(), 0.0);
        for (int b = 0; b < EqFilterBank::kBands && block->enabled == 1; ++b) {
            float c[5];
            const auto w = 4 * static_cast<std::size_t>(b);
            EqFilterBank::designBand(block->floatAt(w), block->floatAt(w + 1),
                                     block->floatAt(w + 2), static_cast<int>(block->floatAt(w + 3)),
                                     sampleRate, c);
            for (std::size_t i = 0; i < db.size(); ++i) {
                db[i] += 20.0 *
                         std::log10(std::max(
                             EqFilterBank::magnitude(c, table.frequencies[i], sampleRate), 1e-12));
            }
        }
        table.columns.push_back(prefix + block->name);
        table.decibels.push_back(std::move(db));
    }
    if (table.columns.size() > 1) {
        std::vector<double> total(table.frequencies.size(), 0.0);
        for (const auto& column : table.decibels) {
            for (std::size_t i = 0; i < total.size(); ++i) total[i] += column[i];
        }
        table.columns.push_back(prefix + "total");
        table.decibels.push_back(std::move(total));
    }
    if (table.columns.empty()) table.frequencies.clear();
    return table;
}

void appendColumns(ResponseTable& table, ResponseTable other) {
    for (std::size_t i = 0; i < other.columns.size(); ++i) {
        table.columns.push_back(std::move(other.columns[i]));
        table.decibels.push_back(std::move(other.decibels[i]));
    }
}

std::string toCsv(const ResponseTable& table) {
    std::ostringstream out;
    out << "frequency_hz";
    for (const auto& name : table.columns) out << ',' << name;
    out << '\n';
    out.precision(8);
    for (std::size_t i = 0; i < table.frequencies.size(); ++i) {
        out << table.frequencies[i];
        for (const auto& column : table.decibels) out << ',' << column[i];
        out << '\n';
    }
    return out.str();
}

bool plotPng(const ResponseTable& table, const std::string& path, int sampleRate,
             std::string& reason, const std::string& title) {
    const std::string data = path + ".csv.tmp";
    if (FILE* f = std::fopen(data.c_str(), "w")) {
        const std::string csv = toCsv(table);
        std::fwrite(csv.data(), 1, csv.size(), f);
        std::fclose(f);
    } else {
        reason = "cannot write " + data;
        return false;
    }
    FILE* gp = popen("gnuplot 2>/dev/null", "w");
    if (gp == nullptr) {
        std::remove(data.c_str());
        reason = "gnuplot is not available";
        return false;
    }
    std::fprintf(gp, "set terminal pngcairo size 1000,600\nset output '%s'\n", path.c_str());
    std::fprintf(gp, "set datafile separator ','\nset logscale x\nset grid\nset xrange [%g:%g]\n",
                 table.frequencies.empty() ? 10.0 : table.frequencies.front(),
                 table.frequencies.empty() ? sampleRate / 2.0 : table.frequencies.back());
    if (title.empty()) {
        std::fprintf(gp, "set title 'VeltraDsp equaliser stages at %d Hz'\n", sampleRate);
    } else {
        std::string quoted;
        for (char c : title) quoted += c == '\'' ? std::string("''") : std::string(1, c);
        std::fprintf(gp, "set title '%s' noenhanced\n", quoted.c_str());
    }
    std::fprintf(
        gp, "set xlabel 'Frequency (Hz)'\nset ylabel 'Magnitude (dB)'\nset key outside right\n");
    std::fprintf(gp, "plot ");
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        std::fprintf(gp, "%s'%s' using 1:%zu skip 1 with lines lw 2 title '%s'", c ? ", " : "",
                     data.c_str(), c + 2, table.columns[c].c_str());
    }
    std::fprintf(gp, "\n");
    const int status = pclose(gp);
    std::remove(data.c_str());
    if (status != 0) {
        reason = "gnuplot failed";
        return false;
    }
    return true;
}

}  // namespace veltra::tools
