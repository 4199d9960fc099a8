-- Links between the guides point at their HTML, and each page takes its
-- first heading as its window title.
function Link(el)
  if not el.target:match("^%a[%w+.-]*:") then
    el.target = el.target:gsub("%.md$", ".html"):gsub("%.md#", ".html#")
  end
  return el
end

function Pandoc(doc)
  for _, block in ipairs(doc.blocks) do
    if block.t == "Header" then
      doc.meta.pagetitle = pandoc.utils.stringify(block)
      break
    end
  end
  return doc
end
