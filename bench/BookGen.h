// Generated address books for the benchmarks: a company tree of departments and
// contacts with Chinese names as the web interface sends them (the newer
// server's reply, ids as texts), and the same rows as the SQL the sqlite3
// command runs for comparison.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "monitor/AddressBookSync/StoreBook.h"
#include "monitor/Common/JsonValue.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace benchbook {

const char* const kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周",
                                 "徐", "孙", "马", "朱", "胡", "郭", "何", "高", "林", "罗",
                                 "郑", "梁", "谢", "宋", "唐", "许", "韩", "冯", "邓", "曹"};
const char* const kGiven[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋",
                              "勇", "艳", "杰", "娟", "涛", "明", "超", "秀", "霞", "平",
                              "刚", "桂", "英", "华", "玉", "兰", "文", "辉", "鹏", "宇"};
const char* const kJobs[] = {"工程师", "经理", "主管", "专员", "总监", "助理"};

struct Group {
    int id;
    int parent;
    std::string name;
};

struct Contact {
    std::string name, email, mobile, company, companyAddress, job, telephone, fax, code;
    int group;
    int sortid;
};

struct Book {
    std::vector<Group> groups;
    std::vector<Contact> contacts;
};

// `groups` departments below three companies, nested up to four levels, and
// `contacts` spread over them.
inline Book MakeBook(size_t contacts, size_t groups, uint32_t seed = 20240601) {
    std::mt19937 rng(seed);
    Book book;
    for (int c = 1; c <= 3; ++c) book.groups.push_back({c, 0, "公司" + std::to_string(c)});
    for (size_t g = 0; g < groups; ++g) {
        int id = int(book.groups.size()) + 1;
        // A parent among the groups made so far, nearer ones more often.
        std::uniform_int_distribution<int> back(1, std::min<int>(id - 1, 12));
        book.groups.push_back({id, id - back(rng), "部门" + std::to_string(id)});
    }
    std::uniform_int_distribution<size_t> surname(0, std::size(kSurnames) - 1);
    std::uniform_int_distribution<size_t> given(0, std::size(kGiven) - 1);
    std::uniform_int_distribution<size_t> group(0, book.groups.size() - 1);
    std::uniform_int_distribution<int> digits(0, 99999999);
    for (size_t i = 0; i < contacts; ++i) {
        Contact c;
        c.name = std::string(kSurnames[surname(rng)]) + kGiven[given(rng)];
        if (rng() % 3) c.name += kGiven[given(rng)];
        c.email = "user" + std::to_string(i) + "@yunfan.example.com";
        c.mobile = "138" + std::to_string(10000000 + digits(rng) % 90000000);
        c.company = "云帆科技股份有限公司";
        c.companyAddress = "北京市海淀区中关村大街27号";
        c.job = kJobs[i % std::size(kJobs)];
        c.telephone = "010-" + std::to_string(10000000 + digits(rng) % 90000000);
        c.fax = "010-88886666";
        c.code = "100080";
        c.group = book.groups[group(rng)].id;
        c.sortid = int(i % 7 == 0 ? i % 5 : 0);
        book.contacts.push_back(std::move(c));
    }
    return book;
}

inline std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// A download reply of the newer server.
inline std::string ShareReply(const Book& book) {
    std::string out = R"({"ret":0,"msg":"","data":{"groups":[)";
    for (size_t i = 0; i < book.groups.size(); ++i) {
        const Group& g = book.groups[i];
        out += (i ? "," : "") + std::string(R"({"group_id":")") + std::to_string(g.id) +
               R"(","parent_group_id":")" + std::to_string(g.parent) + R"(","name":)" +
               Quoted(g.name) + "}";
    }
    out += R"(],"addresses":[)";
    for (size_t i = 0; i < book.contacts.size(); ++i) {
        const Contact& c = book.contacts[i];
        out += (i ? "," : "") + std::string(R"({"id":)") + std::to_string(i + 1) + R"(,"name":)" +
               Quoted(c.name) + R"(,"email":)" + Quoted(c.email) + R"(,"mobile":)" +
               Quoted(c.mobile) +
               R"(,"msn":"","qq":"","homepage":"","country":"","city":"","address":"",)"
               R"("telephone":"","postcode":"","company":)" +
               Quoted(c.company) + R"(,"company_address":)" + Quoted(c.companyAddress) +
               R"(,"job":)" + Quoted(c.job) + R"(,"company_telephone":)" + Quoted(c.telephone) +
               R"(,"company_fax":)" + Quoted(c.fax) + R"(,"company_code":)" + Quoted(c.code) +
               R"(,"remark":"","sortid":)" + std::to_string(c.sortid) + R"(,"dep":")" +
               std::to_string(c.group) + "\"}";
    }
    return out + "]}}";
}

// A private download: the same contacts, each in its group by groupIds.
inline std::string PrivateReply(const Book& book) {
    std::string out = R"({"ret":0,"msg":"","data":{"groups":[)";
    for (size_t i = 0; i < book.groups.size(); ++i) {
        const Group& g = book.groups[i];
        out += (i ? "," : "") + std::string(R"({"group_id":)") + std::to_string(g.id + 1) +
               R"(,"parent_group_id":)" + std::to_string(g.parent ? g.parent + 1 : 0) +
               R"(,"name":)" + Quoted(g.name) + "}";
    }
    out += R"(],"addresses":[)";
    for (size_t i = 0; i < book.contacts.size(); ++i) {
        const Contact& c = book.contacts[i];
        out += (i ? "," : "") + std::string(R"({"name":)") + Quoted(c.name) + R"(,"email":)" +
               Quoted("friend" + std::to_string(i) + "@qq.com") + R"(,"mobile":)" +
               Quoted(c.mobile) + R"(,"groupIds":[)" + std::to_string(c.group + 1) + "]}";
    }
    return out + "]}}";
}

// The same rows as StoreShareBook writes them, as one transaction for the
// sqlite3 command, with the store's speed settings.
inline std::string ShareInsertSql(const Book& book) {
    std::string out =
        "PRAGMA cache_size = 8000;\nPRAGMA synchronous = OFF;\nPRAGMA temp_store = MEMORY;\n"
        "BEGIN;\nDELETE FROM contact_group_share;\nDELETE FROM contact_share;\n"
        "INSERT INTO contact_group_share(id,parent_id,name,type,depth) "
        "VALUES(1,0,'公司共享通讯录',4,0);\n";
    std::vector<int> depth(book.groups.size() + 2, 0);
    for (const Group& g : book.groups) {
        depth[size_t(g.id)] = g.parent == 0 ? 1 : depth[size_t(g.parent)] + 1;
        out += "INSERT INTO contact_group_share(id,parent_id,name,type,depth) VALUES(" +
               std::to_string(g.id + 1) + "," + std::to_string(g.parent + 1) + ",'" + g.name +
               "',4," + std::to_string(depth[size_t(g.id)]) + ");\n";
    }
    std::vector<std::string> texts(42);
    for (const Contact& c : book.contacts) {
        // The text columns in the statement's order: name, mobile, email,
        // company_name, company_post, company_code, company_address,
        // company_tel and company_fax are filled.
        texts[1] = c.name;
        texts[3] = c.mobile;
        texts[4] = c.email;
        texts[19] = c.company;
        texts[21] = c.job;
        texts[25] = c.code;
        texts[26] = c.companyAddress;
        texts[27] = c.telephone;
        texts[28] = c.fax;
        out +=
            "INSERT INTO contact_share(id,cg_id,call_number,call_time,name,alias,mobile,email,sex,"
            "birthday,country,province,city,code,address,tel,fax,qq,msn,favorite,other,website,"
            "company_name,company_department,company_post,company_country,company_province,"
            "company_city,company_code,company_address,company_tel,company_fax,company_other,"
            "company_website,family_country,family_province,family_city,family_code,family_"
            "address,family_tel,family_fax,family_other,family_member,family_anniversary,remark,"
            "sortid) VALUES(NULL," +
            std::to_string(c.group + 1) + ",0";
        for (const std::string& t : texts) out += ",'" + t + "'";
        out += "," + std::to_string(c.sortid) + ");\n";
    }
    return out + "COMMIT;\n";
}

inline std::u16string TemplateDb() {
    return plat::JoinPath(plat::Utf8ToUtf16(QN_PROGRAM_DIR), u"Address.db");
}

inline CJsonValue DataOf(const std::string& reply) {
    CJsonValue root = CJsonValue::Parse(plat::Utf8ToUtf16(reply));
    for (const CJsonValue& m : root.Members())
        if (m.Name() == u"data") return m;
    return CJsonValue();
}

// A fresh copy of the template holding the books as the sync stores them.
inline bool StoredBooks(const Book& shared, const Book& personal, const std::u16string& path) {
    if (!plat::CopyFile(TemplateDb(), path, false)) return false;
    StoreShareBook(DataOf(ShareReply(shared)), path, 1);
    StorePersonalBook(DataOf(PrivateReply(personal)), path, 1);
    return true;
}

}  // namespace benchbook
