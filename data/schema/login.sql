-- The saved logins, used in place in the program folder. The password column
-- holds the masked form, never the password itself.
CREATE TABLE loginuser (
    id INTEGER PRIMARY KEY,
    account TEXT DEFAULT '',
    password TEXT DEFAULT '',
    rememberpwd INTEGER DEFAULT 0,
    autologin INTEGER DEFAULT 0,
    lastlogintime INTEGER DEFAULT 0
);
