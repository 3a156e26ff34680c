// Pinyin initials of a large address book's names, as the address book computes
// them when it sorts or searches. Target: under 2 microseconds a name.
#include "monitor/Common/Pinyin.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

namespace {

const char16_t kSurnames[] =
    u"王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶"
    u"程苏魏吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾"
    u"毛郝龚邵万钱严覃武戴莫孔向汤";
const char16_t kGiven[] =
    u"伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀兰霞平刚桂英华玉萍红娥玲芬燕彬鹏辉宇浩凯健俊帆帅"
    u"旭宁欣怡佳琪梦雪婷倩颖晨阳晓东海波林峰斌志文建国红梅春丹云飞鑫淑珍慧莉雅瑞祥龙凤嘉"
    u"子涵思雨博轩梓萱诗琳一诺浩然";

std::vector<std::u16string> MakeNames(size_t count) {
    std::mt19937 rng(20240501);
    const size_t surnames = std::size(kSurnames) - 1, given = std::size(kGiven) - 1;
    std::uniform_int_distribution<size_t> pickSurname(0, surnames - 1), pickGiven(0, given - 1);
    std::bernoulli_distribution twoGiven(0.7);
    std::vector<std::u16string> names;
    names.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        std::u16string name(1, kSurnames[pickSurname(rng)]);
        name += kGiven[pickGiven(rng)];
        if (twoGiven(rng)) name += kGiven[pickGiven(rng)];
        names.push_back(std::move(name));
    }
    return names;
}

void BM_PinyinInitialsOfNames(benchmark::State& state) {
    const std::vector<std::u16string> names = MakeNames(100000);
    for (auto _ : state) {
        for (const auto& name : names) benchmark::DoNotOptimize(PinyinInitials(name));
    }
    state.counters["per_name"] =
        benchmark::Counter(double(names.size()), benchmark::Counter::kIsIterationInvariantRate |
                                                     benchmark::Counter::kInvert);
}
BENCHMARK(BM_PinyinInitialsOfNames)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
