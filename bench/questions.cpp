#include "questions.h"

namespace tiku::bench {

// A question in the style of a licensing exam: a case stem, a question and five options.
QString question(QRandomGenerator& rng, int k) {
    static const char16_t* const who[] = {u"患者，男，", u"患者，女，", u"患儿，男，", u"产妇，"};
    static const char16_t* const complaints[] = {
        u"反复胸骨后压榨样疼痛3年，每次持续3～5分钟，休息或含服硝酸甘油后可缓解。",
        u"突发剧烈头痛伴喷射性呕吐2小时，既往有高血压病史10年，未规律服药。",
        u"咳嗽、咳痰伴发热5天，体温最高39.2℃，右下肺可闻及湿啰音。",
        u"上腹部节律性疼痛2年，多于餐后3～4小时出现，进食后可缓解，近日出现黑便。",
        u"多饮、多尿、多食伴体重下降3个月，空腹血糖9.8 mmol/L。",
        u"转移性右下腹痛12小时，伴恶心、呕吐，右下腹固定压痛及反跳痛。",
        u"心悸、怕热、多汗、手抖2个月，查体见甲状腺弥漫性肿大，可闻及血管杂音。",
        u"乏力、面色苍白半年，月经量多，血红蛋白78 g/L，平均红细胞体积72 fl。",
    };
    static const char16_t* const asks[] = {u"该患者最可能的诊断是", u"为明确诊断，首选的检查是",
                                           u"首选的治疗措施是", u"下列处理中，错误的是",
                                           u"该病最常见的并发症是"};
    static const char16_t* const options[] = {u"稳定型心绞痛",
                                              u"急性心肌梗死",
                                              u"蛛网膜下腔出血",
                                              u"社区获得性肺炎",
                                              u"消化性溃疡",
                                              u"2型糖尿病",
                                              u"急性阑尾炎",
                                              u"Graves病",
                                              u"缺铁性贫血",
                                              u"心电图检查",
                                              u"头颅CT平扫",
                                              u"胸部X线检查",
                                              u"胃镜检查",
                                              u"口服葡萄糖耐量试验",
                                              u"急诊手术",
                                              u"抗甲状腺药物治疗",
                                              u"口服铁剂",
                                              u"静脉溶栓治疗",
                                              u"卧床休息，监测生命体征"};
    QString q = QStringLiteral("%1. ").arg(k);
    q += QString::fromUtf16(who[rng.bounded(4)]) + QString::number(18 + rng.bounded(60)) +
         QStringLiteral("岁。");
    while (q.size() < 120) {
        q += QString::fromUtf16(complaints[rng.bounded(8)]);
    }
    q += QString::fromUtf16(asks[rng.bounded(5)]) + QStringLiteral("（　　）");
    for (int o = 0; o < 5; ++o) {
        q += QStringLiteral("\n%1. ").arg(QChar(u'A' + o)) +
             QString::fromUtf16(options[rng.bounded(19)]);
    }
    return q;
}

} // namespace tiku::bench
