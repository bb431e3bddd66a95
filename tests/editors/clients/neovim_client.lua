-- Neovim 0.7 against kelvo --lsp, set up with the README's Neovim 0.7 form.
-- Run as: nvim --headless -u NONE -i NONE -c "luafile neovim_client.lua"
-- with KELVO_TOOL_DIR (the folder of the built kelvo), KELVO_README and
-- KELVO_CLIENT_FILES (this folder) in the environment. Every check is of
-- what the editor holds: diagnostics as vim.diagnostic has them (byte
-- columns), the cursor after a jump, the buffer's text after an edit.
-- Prints each failure and leaves with status 1 if there was one.

local files = assert(os.getenv("KELVO_CLIENT_FILES"), "KELVO_CLIENT_FILES")
local readme = assert(os.getenv("KELVO_README"), "KELVO_README")
vim.env.PATH = assert(os.getenv("KELVO_TOOL_DIR"), "KELVO_TOOL_DIR") .. ":" .. vim.env.PATH

local failures = 0
local function say(text) io.stdout:write(text .. "\n") end
local function check(ok, what, got)
  if ok then return end
  failures = failures + 1
  say("FAILED: " .. what .. (got ~= nil and ("\n  got: " .. vim.inspect(got)) or ""))
end
local function finish()
  say(failures == 0 and "neovim: all checks passed" or ("neovim: " .. failures .. " failed"))
  for _, client in pairs(vim.lsp.get_active_clients()) do client.stop(true) end
  vim.cmd(failures == 0 and "qall!" or "cquit 1")
end
-- A hang fails instead of blocking the test run.
vim.defer_fn(function() say("FAILED: timed out"); failures = failures + 1; finish() end, 50000)

local function lines_of(path) return vim.fn.readfile(path) end

-- The README's block after "Neovim 0.7": loaded as a user's init.lua
-- would, before filetype detection is switched on.
local function readme_block(marker)
  local text = table.concat(vim.fn.readfile(readme), "\n")
  local from = text:find(marker, 1, true)
  return from and text:match("```lua\n(.-)\n```", from)
end
local snippet = readme_block("Neovim 0.7")
check(snippet ~= nil, "the README has a Lua block after 'Neovim 0.7'")
if not snippet then return finish() end
assert(loadstring(snippet, "README"))()
vim.cmd("filetype on")

-- The script sits in a folder of a project whose root holds .git; the
-- folder's name is one a URI must escape.
local root = vim.fn.tempname()
vim.fn.mkdir(root .. "/.git", "p")
vim.fn.mkdir(root .. "/Spiel stände", "p")
local path = root .. "/Spiel stände/board.kelvo"
vim.fn.writefile(lines_of(files .. "/board.kelvo"), path)
vim.cmd("edit " .. vim.fn.fnameescape(path))
local buf = vim.api.nvim_get_current_buf()
check(vim.bo[buf].filetype == "kelvo", "the file type is kelvo", vim.bo[buf].filetype)

local client
vim.wait(10000, function()
  for _, c in pairs(vim.lsp.buf_get_clients(buf)) do
    if c.name == "kelvo" and c.initialized then client = c end
  end
  return client ~= nil
end, 20)
check(client ~= nil, "a kelvo client is attached to the buffer")
if not client then return finish() end
check(client.config.root_dir == root, "the root is the folder that holds .git", client.config.root_dir)
check(client.offset_encoding == "utf-16", "the client counts UTF-16 units", client.offset_encoding)

local S = vim.diagnostic.severity
local function wait_for_diagnostics(until_fn)
  vim.wait(5000, function() return until_fn(vim.diagnostic.get(buf)) end, 20)
  local list = vim.diagnostic.get(buf)
  table.sort(list, function(a, b)
    if a.lnum ~= b.lnum then return a.lnum < b.lnum end
    if a.col ~= b.col then return a.col < b.col end
    return a.severity < b.severity
  end)
  say("diagnostics as Neovim holds them (line, byte columns, 0-based):")
  for _, d in ipairs(list) do say(string.format("  %d:%d-%d:%d %s %s", d.lnum, d.col, d.end_lnum, d.end_col, d.severity, d.message)) end
  return list
end
local function check_diagnostics(list, expected, when)
  check(#list == #expected, when .. ": " .. #expected .. " diagnostics", #list)
  for i, e in ipairs(expected) do
    local d = list[i] or {}
    local got = { d.lnum, d.col, d.end_lnum, d.end_col, d.severity, d.message }
    check(vim.deep_equal(got, e), when .. ": diagnostic " .. i .. " is " .. vim.inspect(e), got)
  end
end

-- Byte columns, counted by hand: ü, ß, Ü and ï are two bytes, the target
-- four (and two UTF-16 units).
check_diagnostics(wait_for_diagnostics(function(l) return #l > 0 end), {
  { 5, 32, 5, 35, S.ERROR, "Unknown variable: zzz" },
  { 8, 30, 8, 36, S.ERROR, "Unknown variable: cirlce" },
  { 8, 30, 8, 36, S.INFO, "did you mean 'circle'?" },
  { 8, 37, 8, 42, S.WARN, "'score' and the rest of the line are not translated: a line holds one term" },
}, "on opening")

-- A request at a place given as the cursor (1-based line, byte column).
local function request(method, line, byte, extra)
  vim.api.nvim_win_set_cursor(0, { line, byte })
  local params = vim.lsp.util.make_position_params()
  for k, v in pairs(extra or {}) do params[k] = v end
  local answers = vim.lsp.buf_request_sync(buf, method, params, 5000)
  local answer = answers and answers[client.id]
  check(answer ~= nil and answer.err == nil, method .. " at " .. line .. ":" .. byte .. " is answered", answer)
  return answer and answer.result, params
end

-- Hover on `score` after the target (byte 40, UTF-16 unit 38).
local result, params = request("textDocument/hover", 7, 40)
check(params.position.character == 38, "Neovim asks at UTF-16 unit 38", params.position)
local hover = result and table.concat(vim.lsp.util.convert_input_to_markdown_lines(result.contents), "\n") or ""
say("hover on score:\n" .. hover)
check(hover:find("var score 0", 1, true) ~= nil, "the hover on score shows its declaration", hover)
result = request("textDocument/hover", 10, 9)
hover = result and table.concat(vim.lsp.util.convert_input_to_markdown_lines(result.contents), "\n") or ""
say("hover on player:\n" .. hover)
check(hover:find('"Ann"', 1, true) ~= nil, "the hover on player shows the README's defineString", hover)

-- Definitions, followed as Neovim follows them.
local function jump(line, byte)
  local where = request("textDocument/definition", line, byte)
  if vim.tbl_islist(where) then where = where[1] end
  if not where then return nil end
  vim.lsp.util.jump_to_location(where, client.offset_encoding)
  return vim.api.nvim_win_get_cursor(0)
end
local cursor = jump(7, 40)
say("definition of score on line 7 lands at " .. vim.inspect(cursor))
check(vim.deep_equal(cursor, { 5, 4 }), "the definition of score is its name on the var line", cursor)
cursor = jump(3, 8)
say("definition of pos on line 3 lands at " .. vim.inspect(cursor))
check(vim.deep_equal(cursor, { 2, 18 }), "the definition of pos is its name on the function line", cursor)

-- Completion, as the items Neovim's omnifunc would offer.
local function completion(line, byte)
  local list = request("textDocument/completion", line, byte)
  local words = {}
  for _, item in ipairs(vim.lsp.util.text_document_completion_list_to_complete_items(list or {}, "")) do
    words[item.word] = true
  end
  return words, vim.tbl_count(words)
end
local words, count = completion(7, 43)
say("completion on the last character of line 7: " .. count .. " items")
for _, w in ipairs({ "score", "bounce", "circle", "message", "player", "red" }) do
  check(words[w], "completion after the target offers " .. w)
end
check(not words.pos and not words.limit, "no parameter outside its definition")
words = completion(3, 10)
check(words.pos and words.limit, "completion inside the definition offers its parameters pos and limit")
words, count = completion(1, 12)
check(count == 0, "completion inside a comment offers nothing", count)

local function buffer_is(name, when)
  local got, want = vim.api.nvim_buf_get_lines(buf, 0, -1, false), lines_of(files .. "/" .. name)
  check(vim.deep_equal(got, want), when .. ": the buffer is " .. name, got)
end

-- Rename score to points from its use on line 8, applied by Neovim.
local edit = request("textDocument/rename", 8, 1, { newName = "points" })
check(edit ~= nil, "rename gives an edit")
if edit then vim.lsp.util.apply_workspace_edit(edit, client.offset_encoding) end
buffer_is("board.renamed.kelvo", "after the rename")
check_diagnostics(wait_for_diagnostics(function(l)
  for _, d in ipairs(l) do if d.message:find("'points'", 1, true) then return true end end
end), {
  { 5, 32, 5, 35, S.ERROR, "Unknown variable: zzz" },
  { 8, 30, 8, 36, S.ERROR, "Unknown variable: cirlce" },
  { 8, 30, 8, 36, S.INFO, "did you mean 'circle'?" },
  { 8, 37, 8, 43, S.WARN, "'points' and the rest of the line are not translated: a line holds one term" },
}, "after the rename")

-- The quick fix of the did-you-mean note, over cirlce (UTF-16 26-32).
vim.api.nvim_win_set_cursor(0, { 9, 30 })
local range = vim.lsp.util.make_range_params()
range.range["end"] = { line = 8, character = 32 }
check(range.range.start.character == 26, "Neovim asks from UTF-16 unit 26", range.range)
range.context = { diagnostics = vim.lsp.diagnostic.get_line_diagnostics(buf, 8) }
local answers = vim.lsp.buf_request_sync(buf, "textDocument/codeAction", range, 5000)
local actions = answers and answers[client.id] and answers[client.id].result or {}
local fix
for _, a in ipairs(actions) do
  say("code action: " .. tostring(a.title) .. " (" .. tostring(a.kind) .. ")")
  if not fix and a.kind == "quickfix" and tostring(a.title):find("circle", 1, true) then fix = a end
end
check(fix ~= nil and fix.edit ~= nil, "a quick fix with an edit puts circle for cirlce", actions)
if fix and fix.edit then vim.lsp.util.apply_workspace_edit(fix.edit, client.offset_encoding) end
buffer_is("board.fixed.kelvo", "after the quick fix")
check_diagnostics(wait_for_diagnostics(function(l) return #l == 1 end), {
  { 5, 32, 5, 35, S.ERROR, "Unknown variable: zzz" },
}, "after the quick fix")

-- The README's host view, on the fixed script.
local host_view = readme_block("The host view")
check(host_view ~= nil, "the README has a Lua block after 'The host view'")
if host_view then
  assert(loadstring(host_view, "README host view"))()
  vim.cmd("KelvoHost")
  local host = vim.api.nvim_get_current_buf()
  local function host_has(line)
    return vim.wait(5000, function()
      return vim.tbl_contains(vim.api.nvim_buf_get_lines(host, 0, -1, false), line)
    end, 20)
  end
  check(host ~= buf and host_has('show_message("Ann")'), "the host view shows the host text",
    vim.api.nvim_buf_get_lines(host, 0, -1, false))
  check(vim.tbl_contains(vim.api.nvim_buf_get_lines(host, 0, -1, false), "draw_text(70,10,points)"),
    "the host view shows the text after the rename")
  say("host view:\n  " .. table.concat(vim.api.nvim_buf_get_lines(host, 0, -1, false), "\n  "))
  -- A change to the source renews it. The editor fires TextChanged from
  -- its main loop, which a script run from -c holds up: fire it here.
  vim.api.nvim_buf_set_lines(buf, 9, 10, false, { "message speed" })
  vim.api.nvim_exec_autocmds("TextChanged", { buffer = buf })
  check(host_has("show_message(2.5)"), "the host view follows a change to the source",
    vim.api.nvim_buf_get_lines(host, 0, -1, false))
end

-- The engine's test.txt in the same project is a kelvo script too, served
-- by the same server.
vim.cmd("edit " .. vim.fn.fnameescape(root .. "/test.txt"))
local other = vim.api.nvim_get_current_buf()
check(vim.bo[other].filetype == "kelvo", "test.txt is a kelvo script", vim.bo[other].filetype)
check(vim.lsp.buf_get_clients(other)[client.id] ~= nil and #vim.lsp.get_active_clients() == 1,
  "test.txt is served by the server of board.kelvo", vim.tbl_keys(vim.lsp.buf_get_clients(other)))

finish()
