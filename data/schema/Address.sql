-- The template of an account's address book. Copied into account/ACCOUNT at the
-- first sign-in; the program never creates a table itself.
-- Row keys are plain INTEGER PRIMARY KEY (no AUTOINCREMENT): a NULL insert takes
-- the largest key plus one, so an emptied table numbers from 1 again.

CREATE TABLE contact_group_share (
    id INTEGER PRIMARY KEY,
    parent_id INTEGER DEFAULT 0,
    name TEXT DEFAULT '',
    type INTEGER DEFAULT 0,
    depth INTEGER DEFAULT 0
);

CREATE TABLE contact_group_self (
    id INTEGER PRIMARY KEY,
    parent_id INTEGER DEFAULT 0,
    name TEXT DEFAULT '',
    type INTEGER DEFAULT 0,
    depth INTEGER DEFAULT 0
);

CREATE TABLE contact_share (
    id INTEGER PRIMARY KEY,
    cg_id INTEGER DEFAULT 0,
    call_number INTEGER DEFAULT 0,
    call_time TEXT DEFAULT '',
    name TEXT DEFAULT '',
    alias TEXT DEFAULT '',
    mobile TEXT DEFAULT '',
    email TEXT DEFAULT '',
    sex TEXT DEFAULT '',
    birthday TEXT DEFAULT '',
    country TEXT DEFAULT '',
    province TEXT DEFAULT '',
    city TEXT DEFAULT '',
    code TEXT DEFAULT '',
    address TEXT DEFAULT '',
    tel TEXT DEFAULT '',
    fax TEXT DEFAULT '',
    qq TEXT DEFAULT '',
    msn TEXT DEFAULT '',
    favorite TEXT DEFAULT '',
    other TEXT DEFAULT '',
    website TEXT DEFAULT '',
    company_name TEXT DEFAULT '',
    company_department TEXT DEFAULT '',
    company_post TEXT DEFAULT '',
    company_country TEXT DEFAULT '',
    company_province TEXT DEFAULT '',
    company_city TEXT DEFAULT '',
    company_code TEXT DEFAULT '',
    company_address TEXT DEFAULT '',
    company_tel TEXT DEFAULT '',
    company_fax TEXT DEFAULT '',
    company_other TEXT DEFAULT '',
    company_website TEXT DEFAULT '',
    family_country TEXT DEFAULT '',
    family_province TEXT DEFAULT '',
    family_city TEXT DEFAULT '',
    family_code TEXT DEFAULT '',
    family_address TEXT DEFAULT '',
    family_tel TEXT DEFAULT '',
    family_fax TEXT DEFAULT '',
    family_other TEXT DEFAULT '',
    family_member TEXT DEFAULT '',
    family_anniversary TEXT DEFAULT '',
    remark TEXT DEFAULT '',
    sortid INTEGER DEFAULT 0
);

CREATE TABLE contact_self (
    id INTEGER PRIMARY KEY,
    cg_id INTEGER DEFAULT 0,
    call_number INTEGER DEFAULT 0,
    call_time TEXT DEFAULT '',
    name TEXT DEFAULT '',
    alias TEXT DEFAULT '',
    mobile TEXT DEFAULT '',
    email TEXT DEFAULT '',
    sex TEXT DEFAULT '',
    birthday TEXT DEFAULT '',
    country TEXT DEFAULT '',
    province TEXT DEFAULT '',
    city TEXT DEFAULT '',
    code TEXT DEFAULT '',
    address TEXT DEFAULT '',
    tel TEXT DEFAULT '',
    fax TEXT DEFAULT '',
    qq TEXT DEFAULT '',
    msn TEXT DEFAULT '',
    favorite TEXT DEFAULT '',
    other TEXT DEFAULT '',
    website TEXT DEFAULT '',
    company_name TEXT DEFAULT '',
    company_department TEXT DEFAULT '',
    company_post TEXT DEFAULT '',
    company_country TEXT DEFAULT '',
    company_province TEXT DEFAULT '',
    company_city TEXT DEFAULT '',
    company_code TEXT DEFAULT '',
    company_address TEXT DEFAULT '',
    company_tel TEXT DEFAULT '',
    company_fax TEXT DEFAULT '',
    company_other TEXT DEFAULT '',
    company_website TEXT DEFAULT '',
    family_country TEXT DEFAULT '',
    family_province TEXT DEFAULT '',
    family_city TEXT DEFAULT '',
    family_code TEXT DEFAULT '',
    family_address TEXT DEFAULT '',
    family_tel TEXT DEFAULT '',
    family_fax TEXT DEFAULT '',
    family_other TEXT DEFAULT '',
    family_member TEXT DEFAULT '',
    family_anniversary TEXT DEFAULT '',
    remark TEXT DEFAULT ''
);

-- A group's contacts are listed by group id.
CREATE INDEX contact_share_cg_id ON contact_share (cg_id);
CREATE INDEX contact_self_cg_id ON contact_self (cg_id);

-- The two synchronisation clocks; the program only reads and updates them.
CREATE TABLE web_sync (
    nm TEXT PRIMARY KEY,
    vl INTEGER DEFAULT 0
);
INSERT INTO web_sync (nm, vl) VALUES ('sharetime', 0);
INSERT INTO web_sync (nm, vl) VALUES ('personaltime', 0);
