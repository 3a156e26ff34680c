#!/usr/bin/env python3
"""Writes the demonstration company: mailsim books and a mailsim configuration.

    make_company.py [--out DIR] [--seed N] [--contacts N]

Writes into DIR (default: the current folder):
  shared.json   the company's shared book: 3 companies, 40 nested departments and
                2,000 contacts with Chinese names, e-mail addresses, mobiles,
                positions, telephones and addresses
  private.json  the private book of the demonstration account: a few groups, one
                of them nested, and a few dozen contacts
  mailsim.json  a mailsim --config file naming both books and the account
                demo@yunfan.example.com with the password "demo1234"

The same seed gives the same files, byte for byte.
"""

import argparse
import json
import os
import random
import sys

DOMAIN = "yunfan.example.com"
ACCOUNT = "demo@" + DOMAIN
PASSWORD = "demo1234"
SHARETIME = 1717200000

# Surnames with their pinyin and a weight that follows how common they are.
SURNAMES = [
    ("王", "wang", 30), ("李", "li", 29), ("张", "zhang", 27), ("刘", "liu", 22),
    ("陈", "chen", 19), ("杨", "yang", 12), ("黄", "huang", 9), ("赵", "zhao", 9),
    ("吴", "wu", 8), ("周", "zhou", 8), ("徐", "xu", 6), ("孙", "sun", 6),
    ("马", "ma", 6), ("朱", "zhu", 5), ("胡", "hu", 5), ("郭", "guo", 5),
    ("何", "he", 4), ("高", "gao", 4), ("林", "lin", 4), ("罗", "luo", 4),
    ("郑", "zheng", 4), ("梁", "liang", 3), ("谢", "xie", 3), ("宋", "song", 3),
    ("唐", "tang", 3), ("许", "xu", 3), ("韩", "han", 3), ("冯", "feng", 3),
    ("邓", "deng", 3), ("曹", "cao", 3), ("彭", "peng", 2), ("曾", "zeng", 2),
    ("肖", "xiao", 2), ("田", "tian", 2), ("董", "dong", 2), ("袁", "yuan", 2),
    ("潘", "pan", 2), ("于", "yu", 2), ("蒋", "jiang", 2), ("蔡", "cai", 2),
    ("余", "yu", 2), ("杜", "du", 2), ("叶", "ye", 2), ("程", "cheng", 2),
    ("苏", "su", 2), ("魏", "wei", 2), ("吕", "lv", 2), ("丁", "ding", 2),
    ("任", "ren", 2), ("沈", "shen", 2), ("欧阳", "ouyang", 1), ("司马", "sima", 1),
]

GIVEN = [
    ("伟", "wei"), ("芳", "fang"), ("娜", "na"), ("敏", "min"), ("静", "jing"),
    ("丽", "li"), ("强", "qiang"), ("磊", "lei"), ("军", "jun"), ("洋", "yang"),
    ("勇", "yong"), ("艳", "yan"), ("杰", "jie"), ("娟", "juan"), ("涛", "tao"),
    ("明", "ming"), ("超", "chao"), ("秀", "xiu"), ("霞", "xia"), ("平", "ping"),
    ("刚", "gang"), ("桂", "gui"), ("英", "ying"), ("华", "hua"), ("玉", "yu"),
    ("兰", "lan"), ("文", "wen"), ("辉", "hui"), ("鹏", "peng"), ("宇", "yu"),
    ("浩", "hao"), ("婷", "ting"), ("雪", "xue"), ("琳", "lin"), ("晨", "chen"),
    ("欣", "xin"), ("佳", "jia"), ("建", "jian"), ("国", "guo"), ("志", "zhi"),
    ("海", "hai"), ("红", "hong"), ("斌", "bin"), ("波", "bo"), ("俊", "jun"),
    ("峰", "feng"), ("宁", "ning"), ("颖", "ying"), ("倩", "qian"), ("凯", "kai"),
    ("晓", "xiao"), ("亮", "liang"), ("飞", "fei"), ("慧", "hui"), ("丹", "dan"),
    ("萍", "ping"), ("燕", "yan"), ("梅", "mei"), ("琴", "qin"), ("云", "yun"),
    ("子", "zi"), ("思", "si"), ("嘉", "jia"), ("梓", "zi"), ("睿", "rui"),
]

MOBILE_PREFIXES = ["130", "131", "132", "133", "135", "136", "137", "138", "139", "150",
                   "151", "152", "153", "155", "156", "158", "159", "177", "180", "185",
                   "186", "187", "188", "189", "199"]

# Companies: name, city, area code, office address, postcode, and the departments
# as (name, children) trees.
COMPANIES = [
    ("云帆科技股份有限公司", "北京", "010", "北京市海淀区中关村大街27号云帆大厦", "100080", [
        ("总裁办", []),
        ("人力资源部", [("招聘组", []), ("薪酬福利组", [])]),
        ("财务部", [("会计组", []), ("资金组", [])]),
        ("研发中心", [("平台研发部", [("存储组", []), ("网关组", [])]),
                      ("客户端研发部", []), ("测试部", []), ("运维部", [])]),
        ("市场部", []),
        ("法务部", []),
    ]),
    ("云帆科技（上海）有限公司", "上海", "021", "上海市浦东新区张江路88号3号楼", "201203", [
        ("销售部", [("华东大区", [("上海销售组", []), ("江浙销售组", [])]), ("大客户部", [])]),
        ("客户服务部", [("售前支持组", []), ("售后服务组", [])]),
        ("产品部", []),
        ("市场推广部", []),
        ("行政部", []),
    ]),
    ("云帆科技（深圳）有限公司", "深圳", "0755", "深圳市南山区科技南十二路6号", "518057", [
        ("研发部", [("移动端组", []), ("前端组", []), ("算法组", [])]),
        ("华南销售部", [("广州销售组", []), ("深圳销售组", [])]),
        ("供应链部", [("采购组", []), ("物流组", [])]),
        ("综合管理部", [("人事行政组", [])]),
        ("质量部", []),
    ]),
]

LEADERS = ["部门经理", "副经理"]
STAFF_JOBS = ["工程师", "高级工程师", "项目经理", "产品经理", "销售代表", "客户经理", "会计",
              "出纳", "人事专员", "行政助理", "测试工程师", "运维工程师", "设计师", "客服专员",
              "技术支持", "采购专员", "质量工程师", "法务专员", "市场专员", "数据分析师"]

PRIVATE_GROUPS = [(101, 0, "家人"), (102, 0, "朋友"), (103, 102, "大学同学"), (104, 0, "客户"),
                  (105, 0, "供应商")]
FREE_MAIL = ["qq.com", "163.com", "126.com", "sina.com", "139.com", "foxmail.com"]
HOME_CITIES = [("北京", "北京市朝阳区望京西园", "100102"), ("上海", "上海市徐汇区漕溪北路", "200030"),
               ("广州", "广州市天河区体育西路", "510620"), ("杭州", "杭州市西湖区文三路", "310012"),
               ("成都", "成都市武侯区人民南路四段", "610041"), ("南京", "南京市鼓楼区中山北路", "210008")]


class Names:
    """Chinese names with their pinyin, and mailbox names kept unique."""

    def __init__(self, rng):
        self.rng = rng
        self.weights = [w for _, _, w in SURNAMES]
        self.taken = set()

    def person(self):
        surname, sp, _ = self.rng.choices(SURNAMES, self.weights)[0]
        parts = [self.rng.choice(GIVEN) for _ in range(self.rng.choice((1, 2, 2)))]
        name = surname + "".join(c for c, _ in parts)
        given = "".join(p for _, p in parts)
        # Mailbox names come as surname+given or, less often, given.surname.
        local = given + "." + sp if self.rng.random() < 0.3 else sp + given
        return name, local

    def mailbox(self, local):
        candidate = local
        n = 1
        while candidate in self.taken:
            n += 1
            candidate = "%s%d" % (local, n)
        self.taken.add(candidate)
        return candidate


def mobile(rng):
    return rng.choice(MOBILE_PREFIXES) + "".join(rng.choice("0123456789") for _ in range(8))


def office_phone(rng, area):
    digits = 7 if area == "0755" else 8
    return "%s-%s%s" % (area, rng.choice("2345678"),
                        "".join(rng.choice("0123456789") for _ in range(digits - 1)))


def build_shared(rng, total):
    names = Names(rng)
    groups = []
    departments = []  # (group id, company index, depth)
    next_id = [len(COMPANIES) + 1]

    def add_tree(children, parent, company, depth):
        for name, sub in children:
            gid = next_id[0]
            next_id[0] += 1
            groups.append({"id": gid, "parent": parent, "name": name})
            departments.append((gid, company, depth))
            add_tree(sub, gid, company, depth + 1)

    for i, company in enumerate(COMPANIES):
        groups.append({"id": i + 1, "parent": 0, "name": company[0]})
    for i, company in enumerate(COMPANIES):
        add_tree(company[5], i + 1, i, 1)

    members = {gid: [] for gid, _, _ in departments}
    members.update({i + 1: [] for i in range(len(COMPANIES))})
    # Each company's general manager sits in the company group itself.
    placed = [(i + 1, i, "总经理") for i in range(len(COMPANIES))]
    weights = [rng.randint(2, 6) for _ in departments]
    for gid, company, _ in departments:
        placed.append((gid, company, LEADERS[0]))
    while len(placed) < total:
        gid, company, _ = rng.choices(departments, weights)[0]
        placed.append((gid, company, rng.choice(STAFF_JOBS)))

    contacts = []
    for gid, company, job in placed[:total]:
        cname, _, area, address, postcode, _ = COMPANIES[company]
        name, local = names.person()
        members[gid].append(len(contacts))
        contacts.append({
            "id": 10001 + len(contacts), "groups": [gid], "name": name,
            "email": "%s@%s" % (names.mailbox(local), DOMAIN), "mobile": mobile(rng),
            "company": cname, "company_address": address, "company_code": postcode,
            "company_telephone": office_phone(rng, area), "company_fax": office_phone(rng, area),
            "job": job,
        })
    # Leaders first within a group; the rest in the order they were made.
    for gid, indexes in members.items():
        for position, index in enumerate(indexes):
            contacts[index]["sortid"] = position + 1
    return {"sharetime": SHARETIME, "groups": groups, "contacts": contacts}


def build_private(rng, count):
    names = Names(rng)
    contacts = []
    for i in range(count):
        name, local = names.person()
        city, street, postcode = rng.choice(HOME_CITIES)
        group = PRIVATE_GROUPS[i % len(PRIVATE_GROUPS)][0]
        groups = [group]
        if i % 11 == 3:
            groups.append(101 if group != 101 else 102)
        if i % 17 == 16:
            groups = []  # not filed in any group
        contact = {
            "id": 501 + i, "groups": groups, "name": name,
            "email": "%s@%s" % (names.mailbox(local), rng.choice(FREE_MAIL)),
            "mobile": mobile(rng), "city": city, "country": "中国",
            "address": "%s%d号" % (street, rng.randint(1, 300)), "postcode": postcode,
            "updatetime": 1717000000 + i * 3600,
        }
        if rng.random() < 0.4:
            contact["qq"] = str(rng.randint(10000000, 2999999999))
        if group == 104:
            contact["company"] = rng.choice(["恒信贸易有限公司", "东方精工集团", "华兴物流股份公司"])
            contact["job"] = rng.choice(["采购经理", "总经理", "财务总监"])
        contacts.append(contact)
    groups = [{"id": g, "parent": p, "name": n} for g, p, n in PRIVATE_GROUPS]
    return {"groups": groups, "contacts": contacts}


def write_json(path, obj):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        json.dump(obj, f, ensure_ascii=False, separators=(",", ":"))
        f.write("\n")


def main(argv):
    p = argparse.ArgumentParser(prog="make_company.py", description=__doc__.split("\n")[0])
    p.add_argument("--out", default=".")
    p.add_argument("--seed", type=int, default=20240601)
    p.add_argument("--contacts", type=int, default=2000)
    args = p.parse_args(argv)
    rng = random.Random(args.seed)
    os.makedirs(args.out, exist_ok=True)
    write_json(os.path.join(args.out, "shared.json"), build_shared(rng, args.contacts))
    write_json(os.path.join(args.out, "private.json"), build_private(rng, 36))
    write_json(os.path.join(args.out, "mailsim.json"), {
        "server_type": 1, "shared": "shared.json",
        "accounts": {ACCOUNT: {"password": PASSWORD, "private": "private.json"}},
    })
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
